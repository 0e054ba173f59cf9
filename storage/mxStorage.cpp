#include "mxStorage.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtEndian>
#include <zlib.h>

#include <array>

namespace {

constexpr int kPrefix = 4;
// Deflate cannot shrink data by more than about 1032 to 1, so a length
// prefix above that for the stored bytes is a lie, whatever else they hold.
constexpr qint64 kMaxInflateRatio = 1032;
constexpr qint64 kMaxContent = 1 << 30;
constexpr int kChunk = 64 * 1024;

int ZlibLevel(TCompressionLevel level)
{
    switch (level) {
    case clFastest:
        return 1;
    case clMax:
        return 9;
    default:
        return Z_DEFAULT_COMPRESSION;
    }
}

QByteArray Deflate(const QByteArray &content, TCompressionLevel level)
{
    QByteArray plain(kPrefix, '\0');
    qToLittleEndian(std::uint32_t(content.size()), plain.data());
    plain += content;
    z_stream z{};
    deflateInit2(&z, ZlibLevel(level), Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(plain.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef *>(plain.data());
    z.avail_in = uInt(plain.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(int(z.total_out));
    deflateEnd(&z);
    return out;
}

// Inflates into out until it holds want bytes, growing it a chunk at a time
// so that nothing is allocated for output the stream does not deliver.
int InflateInto(z_stream &z, QByteArray &out, qint64 want)
{
    int rc = Z_OK;
    while (out.size() < want && rc == Z_OK) {
        const qint64 have = out.size();
        const qint64 step = std::min<qint64>(kChunk, want - have);
        out.resize(qsizetype(have + step));
        z.next_out = reinterpret_cast<Bytef *>(out.data() + have);
        z.avail_out = uInt(step);
        rc = inflate(&z, Z_NO_FLUSH);
        out.resize(qsizetype(have + step - z.avail_out));
        if (rc == Z_BUF_ERROR && z.avail_out == 0)
            rc = Z_OK;
    }
    return rc;
}

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool Inflate(const QByteArray &data, QByteArray *content, QString *error)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return Fail(error, QStringLiteral("Cannot start decompression"));
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    z.avail_in = uInt(data.size());
    struct End {
        z_stream &z;
        ~End() { inflateEnd(&z); }
    } end{z};
    QByteArray prefix;
    int rc = InflateInto(z, prefix, kPrefix);
    if (prefix.size() < kPrefix)
        return Fail(error, rc == Z_STREAM_END || rc == Z_OK || rc == Z_BUF_ERROR
                               ? QStringLiteral("Stored data shorter than its length prefix")
                               : QStringLiteral("Stored data is not a valid zlib stream"));
    const qint64 length = qFromLittleEndian<std::uint32_t>(prefix.constData());
    if (length > kMaxContent || length > qint64(data.size()) * kMaxInflateRatio)
        return Fail(error, QStringLiteral("Stored length prefix %1 is larger than the data can hold").arg(length));
    QByteArray out;
    if (rc == Z_OK)
        rc = InflateInto(z, out, length);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
        return Fail(error, QStringLiteral("Stored data is not a valid zlib stream"));
    if (out.size() < length)
        return Fail(error, QStringLiteral("Stored data shorter than its length prefix"));
    if (rc != Z_STREAM_END) {
        // The stream must end right after the content: its check sum is there.
        std::array<char, 1> extra{};
        z.next_out = reinterpret_cast<Bytef *>(extra.data());
        z.avail_out = 1;
        rc = inflate(&z, Z_FINISH);
        if (rc != Z_STREAM_END)
            return Fail(error, z.avail_out == 0 ? QStringLiteral("Stored data longer than its length prefix")
                                                : QStringLiteral("Stored data is not a valid zlib stream"));
    }
    *content = out;
    return true;
}

QByteArray ReadAll(QIODevice *stream)
{
    stream->seek(0);
    return stream->readAll();
}

} // namespace

QString mxRatioText(qint64 part, qint64 whole)
{
    if (whole == 0)
        return QStringLiteral("100%");
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(double(part) / double(whole) * 100.0, 'f', 2) + QLatin1Char('%');
}

// ---- TmxStoredItem

TmxStoredItem::TmxStoredItem(TmxStoredItems *collection) : QObject(collection), FCollection(collection)
{
    FStream.setBuffer(&FData);
}

TmxStoredItem::~TmxStoredItem()
{
    if (OnDestroy)
        OnDestroy(this);
}

bool TmxStoredItem::Reading() const
{
    return FCollection && FCollection->Storage() && FCollection->Storage()->Reading();
}

void TmxStoredItem::SetFileName(const QString &value)
{
    if (Reading())
        FFileName = value;
}

void TmxStoredItem::SetFileSize(int value)
{
    if (Reading())
        FFileSize = value;
}

QString TmxStoredItem::Ratio() const { return mxRatioText(Size(), FFileSize); }

bool TmxStoredItem::SetName(const QString &s, QString *error)
{
    if (s.compare(FName, Qt::CaseInsensitive) == 0)
        return true;
    if (FCollection && FCollection->NameTaken(s, this))
        return Fail(error, QStringLiteral("Duplicated stored item name"));
    FName = s;
    return true;
}

bool TmxStoredItem::Decode(QByteArray *content, QString *error) const
{
    if (FCompression == clNone || FData.isEmpty()) {
        *content = FData;
        return true;
    }
    return Inflate(FData, content, error);
}

void TmxStoredItem::LoadFromStream(QIODevice *Stream)
{
    FStream.close();
    FData.clear();
    if (!Stream || Stream->size() == 0)
        return;
    Stream->seek(0);
    if (OnBeforeLoad)
        OnBeforeLoad(this, Stream);
    const QByteArray content = ReadAll(Stream);
    if (FCompression == clNone) {
        FData = content;
    } else {
        FData = Deflate(content, FCompression);
        FFileSize = int(content.size());
    }
    if (OnAfterLoad)
        OnAfterLoad(this);
}

bool TmxStoredItem::SaveToStream(QIODevice *Stream, QString *error)
{
    if (!Stream)
        return true;
    if (OnBeforeSave)
        OnBeforeSave(this, Stream);
    QByteArray content;
    if (!Decode(&content, error))
        return false;
    if (Stream->write(content) != content.size())
        return Fail(error, QStringLiteral("Cannot write the content: %1").arg(Stream->errorString()));
    if (OnAfterSave)
        OnAfterSave(this);
    return true;
}

bool TmxStoredItem::LoadFromFile(const QString &FileName, QString *error)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(error, file.errorString());
    LoadFromStream(&file);
    FFileName = QFileInfo(FileName).fileName();
    return true;
}

bool TmxStoredItem::SaveToFile(const QString &FileName, QString *error)
{
    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Fail(error, file.errorString());
    return SaveToStream(&file, error);
}

bool TmxStoredItem::SetCompression(TCompressionLevel c, QString *error)
{
    if (Reading() || FData.isEmpty()) {
        FCompression = c;
        return true;
    }
    if (c == FCompression)
        return true;
    QByteArray content;
    QBuffer temp(&content);
    temp.open(QIODevice::WriteOnly);
    if (!SaveToStream(&temp, error))
        return false;
    temp.close();
    temp.open(QIODevice::ReadOnly);
    FCompression = c;
    LoadFromStream(&temp);
    return true;
}

QIODevice *TmxStoredItem::GetAsStream(QString *error)
{
    if (!SetCompression(clNone, error))
        return nullptr;
    FStream.close();
    FStream.setBuffer(&FData);
    FStream.open(QIODevice::ReadOnly);
    return &FStream;
}

bool TmxStoredItem::AssignTo(QObject *Dest, QString *error) const
{
    auto *item = qobject_cast<TmxStoredItem *>(Dest);
    if (!item)
        return Fail(error, QStringLiteral("Cannot assign a %1 to a %2")
                               .arg(QLatin1String(metaObject()->className()),
                                    Dest ? QLatin1String(Dest->metaObject()->className()) : QLatin1String("nil")));
    if (item == this)
        return true;
    item->FStream.close();
    item->FTag = FTag;
    item->FData = FData;
    item->FCompression = FCompression;
    item->FFileSize = FFileSize;
    return true;
}

// ---- TmxStoredItems

TmxStoredItems::TmxStoredItems(TmxStorage *storage) : QObject(storage), FStorage(storage) {}

TmxStoredItem *TmxStoredItems::Items(int Index) const
{
    return Index >= 0 && Index < FItems.size() ? FItems[Index] : nullptr;
}

bool TmxStoredItems::NameTaken(const QString &s, const TmxStoredItem *except) const
{
    for (const TmxStoredItem *item : FItems)
        if (item != except && item->Name().compare(s, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

TmxStoredItem *TmxStoredItems::Add()
{
    auto *item = new TmxStoredItem(this);
    int n = 1;
    while (NameTaken(QStringLiteral("mxStoredItem%1").arg(n), nullptr))
        ++n;
    item->SetName(QStringLiteral("mxStoredItem%1").arg(n));
    FItems << item;
    return item;
}

void TmxStoredItems::Clear()
{
    qDeleteAll(FItems);
    FItems.clear();
}

void TmxStoredItems::Assign(const TmxStoredItems &other)
{
    if (&other == this)
        return;
    Clear();
    for (const TmxStoredItem *source : other.FItems) {
        TmxStoredItem *item = Add();
        item->SetName(source->Name());
        source->AssignTo(item);
        item->FFileName = source->FileName();
    }
}

// ---- TmxStorage

TmxStorage::TmxStorage(QObject *AOwner) : QObject(AOwner), FStoredItems(this) {}

TmxStoredItem *TmxStorage::GetItem(int Index) const { return FStoredItems.Items(Index); }

TmxStoredItem *TmxStorage::ItemByName(const QString &Name) const
{
    for (int i = 0; i < FStoredItems.Count(); ++i)
        if (GetItem(i)->Name().compare(Name, Qt::CaseInsensitive) == 0)
            return GetItem(i);
    return nullptr;
}

TmxStoredItem *TmxStorage::ItemByFileName(const QString &FileName) const
{
    for (int i = 0; i < FStoredItems.Count(); ++i)
        if (GetItem(i)->FileName().compare(FileName, Qt::CaseInsensitive) == 0)
            return GetItem(i);
    return nullptr;
}

int TmxStorage::OriginalSize() const
{
    int sum = 0;
    for (int i = 0; i < FStoredItems.Count(); ++i)
        sum += GetItem(i)->FileSize();
    return sum;
}

int TmxStorage::Size() const
{
    int sum = 0;
    for (int i = 0; i < FStoredItems.Count(); ++i)
        sum += GetItem(i)->Size();
    return sum;
}

QString TmxStorage::Ratio() const { return mxRatioText(Size(), OriginalSize()); }

QString TmxStorage::Version() const { return QStringLiteral("%1.%2").arg((FVersion >> 8) & 0xFF).arg(FVersion & 0xFF); }

bool TmxStorage::ExtractTo(const QString &Path)
{
    bool result = true;
    for (int i = 0; i < FStoredItems.Count(); ++i) {
        TmxStoredItem *item = GetItem(i);
        QString dir = Path;
        if (!dir.endsWith(QLatin1Char('/')))
            dir += QLatin1Char('/');
        QString file = item->FileName();
        bool canExtract = true;
        if (OnBeforeExtract)
            OnBeforeExtract(this, dir, file, canExtract);
        if (!canExtract || !QDir().mkpath(Path))
            continue;
        if (!item->SaveToFile(dir + file)) {
            result = false;
            if (OnExtractError)
                OnExtractError(this, Path, item->FileName());
        } else if (OnAfterExtract) {
            OnAfterExtract(this, dir, file);
        }
    }
    return result;
}

QByteArray TmxStorage::WriteDescription() const
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    s << quint32(FStoredItems.Count());
    for (int i = 0; i < FStoredItems.Count(); ++i) {
        const TmxStoredItem *item = GetItem(i);
        s << item->Name() << item->FileName() << qint32(item->FileSize()) << qint32(item->Tag())
          << quint8(item->Compression());
        // The "StoredItem" byte block: its length, then the stored bytes.
        const QByteArray data = item->StoredData();
        s.setByteOrder(QDataStream::LittleEndian);
        s << quint32(data.size());
        s.setByteOrder(QDataStream::BigEndian);
        s.writeRawData(data.constData(), int(data.size()));
    }
    return out;
}

bool TmxStorage::ReadDescription(const QByteArray &description)
{
    FStoredItems.Clear();
    FReading = true;
    QDataStream s(description);
    s.setVersion(QDataStream::Qt_6_0);
    quint32 count = 0;
    s >> count;
    bool ok = s.status() == QDataStream::Ok;
    for (quint32 i = 0; ok && i < count; ++i) {
        QString name, fileName;
        qint32 fileSize = 0, tag = 0;
        quint8 level = 0;
        quint32 n = 0;
        s >> name >> fileName >> fileSize >> tag >> level;
        s.setByteOrder(QDataStream::LittleEndian);
        s >> n;
        s.setByteOrder(QDataStream::BigEndian);
        const qint64 left = description.size() - s.device()->pos();
        ok = s.status() == QDataStream::Ok && level <= clMax && qint64(n) <= left;
        if (!ok)
            break;
        QByteArray data(qsizetype(n), '\0');
        s.readRawData(data.data(), int(n));
        TmxStoredItem *item = FStoredItems.Add();
        ok = item->SetName(name);
        item->SetFileName(fileName);
        item->SetFileSize(fileSize);
        item->SetTag(tag);
        item->SetCompression(TCompressionLevel(level));
        item->SetStoredData(data);
    }
    FReading = false;
    if (!ok)
        FStoredItems.Clear();
    return ok;
}
