#pragma once
// TmxStorage: whole files carried inside the program, each compressed on its
// own, handed back by name as streams. An item's stored bytes are one zlib
// stream whose content is a 32-bit little-endian length and then exactly
// that many bytes of the file; at clNone they are the file itself. Stored
// bytes that do not decode are reported and left as they are.
#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class TmxStorage;
class TmxStoredItems;

enum TCompressionLevel : std::uint8_t {
    clNone,
    clFastest,
    clDefault,
    clMax,
};

class TmxStoredItem : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject *Sender)>;
    using TmxStreamEvent = std::function<void(QObject *Sender, QIODevice *Stream)>;

    explicit TmxStoredItem(TmxStoredItems *collection);
    ~TmxStoredItem() override;

    TmxStoredItems *Collection() const { return FCollection; }

    TCompressionLevel Compression() const { return FCompression; }
    // Re-stores the content at level c; false, with the reason in error and
    // nothing changed, when the stored bytes do not decode.
    bool SetCompression(TCompressionLevel c, QString *error = nullptr);
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }
    QString Name() const { return FName; }
    // False with "Duplicated stored item name" when another item has s.
    bool SetName(const QString &s, QString *error = nullptr);
    QString FileName() const { return FFileName; }
    // FileName and FileSize take effect only while the store is being read
    // from its description; loading sets them otherwise.
    void SetFileName(const QString &value);
    int FileSize() const { return FFileSize; }
    void SetFileSize(int value);
    int Size() const { return int(FData.size()); }
    QString Ratio() const;

    // The stored bytes as they travel in a description.
    QByteArray StoredData() const { return FData; }
    void SetStoredData(const QByteArray &bytes) { FData = bytes; }

    void LoadFromStream(QIODevice *Stream);
    // Writes the content at the stream's position. False, with the reason in
    // error and nothing written, when the stored bytes do not decode.
    bool SaveToStream(QIODevice *Stream, QString *error = nullptr);
    bool LoadFromFile(const QString &FileName, QString *error = nullptr);
    bool SaveToFile(const QString &FileName, QString *error = nullptr);
    // The item's own stream of its content at position 0, kept plain from
    // now on; null, with the reason in error, when the stored bytes do not
    // decode. Owned by the item.
    QIODevice *GetAsStream(QString *error = nullptr);
    QIODevice *AsStream() { return GetAsStream(); }
    // Copies Tag and the stored form (bytes, level, file size) into Dest, a
    // stored item; anything else is refused with the conversion error.
    bool AssignTo(QObject *Dest, QString *error = nullptr) const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TmxStreamEvent OnBeforeLoad;
    TmxStreamEvent OnBeforeSave;
    TNotifyEvent OnAfterLoad;
    TNotifyEvent OnAfterSave;

private:
    friend class TmxStoredItems;
    bool Reading() const;
    bool Decode(QByteArray *content, QString *error) const;

    TmxStoredItems *FCollection;
    int FTag = 0;
    QString FName;
    QString FFileName;
    int FFileSize = 0;
    QByteArray FData;
    TCompressionLevel FCompression = clDefault;
    QBuffer FStream;
};

class TmxStoredItems : public QObject {
    Q_OBJECT
public:
    explicit TmxStoredItems(TmxStorage *storage);

    TmxStorage *Storage() const { return FStorage; }
    int Count() const { return int(FItems.size()); }
    TmxStoredItem *Items(int Index) const;
    TmxStoredItem *Add();
    // Replaces the items with copies of other's.
    void Assign(const TmxStoredItems &other);
    void Clear();
    // Whether an item other than except is named s (case-insensitively).
    bool NameTaken(const QString &s, const TmxStoredItem *except) const;

private:
    TmxStorage *FStorage;
    QList<TmxStoredItem *> FItems;
};

class TmxStorage : public QObject {
    Q_OBJECT
public:
    using TmxExtractError = std::function<void(QObject *Sender, const QString &Path, const QString &FileName)>;
    using TmxBeforeExtract = std::function<void(QObject *Sender, QString &Path, QString &FileName, bool &CanExtract)>;
    using TmxAfterExtract = std::function<void(QObject *Sender, const QString &Path, const QString &FileName)>;

    explicit TmxStorage(QObject *AOwner = nullptr);

    int OriginalSize() const;
    int Size() const;
    int TotalSize() const { return Size(); }
    QString Ratio() const;
    QString Version() const;
    TmxStoredItems *StoredItems() { return &FStoredItems; }
    void SetStoredItems(const TmxStoredItems &items) { FStoredItems.Assign(items); }

    TmxStoredItem *GetItem(int Index) const;
    TmxStoredItem *ItemByIndex(int Index) const { return GetItem(Index); }
    TmxStoredItem *StoredItem(int Index) const { return GetItem(Index); }
    TmxStoredItem *ItemByName(const QString &Name) const;
    TmxStoredItem *ItemByFileName(const QString &FileName) const;
    bool ExtractTo(const QString &Path);

    // The description the items travel in: per item its name, file name,
    // file size, tag, level and the byte block of its stored bytes.
    QByteArray WriteDescription() const;
    // Replaces the items with those of a description; false, with the
    // items cleared, when the description is damaged.
    bool ReadDescription(const QByteArray &description);
    bool Reading() const { return FReading; }

    TmxExtractError OnExtractError;
    TmxBeforeExtract OnBeforeExtract;
    TmxAfterExtract OnAfterExtract;

private:
    std::int32_t FVersion = 0x0115;
    TmxStoredItems FStoredItems;
    bool FReading = false;
};

// "12,34%" with the user's decimal separator; "100%" when whole is 0.
QString mxRatioText(qint64 part, qint64 whole);
