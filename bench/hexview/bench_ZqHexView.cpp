// ShowHex against the least a QTextEdit can do to show the same characters:
// one setPlainText of the finished text. Compare the pairs of one run.
#include "ZqHexView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

// Erased memory with some data lines, as a freshly written EEPROM reads back.
QByteArray Dump(int size)
{
    QByteArray bytes(size, '\xFF');
    for (int i = 0; i < size; i += 48) {
        for (int c = 0; c < 16 && i + c < size; ++c)
            bytes[i + c] = char((i / 16 + c * 7) & 0xFF);
    }
    return bytes;
}

// Makes the document lay itself out as painting would need it.
void Layout(const QTextEdit &view) { benchmark::DoNotOptimize(view.document()->documentLayout()->documentSize()); }

void BM_ShowHex(benchmark::State &state)
{
    const int size = int(state.range(0));
    const bool layout = state.range(1) != 0;
    const QByteArray bytes = Dump(size);
    TZqHexView view;
    for (auto _ : state) {
        view.ShowHex(bytes, size, 0);
        if (layout)
            Layout(view);
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_SetPlainTextBaseline(benchmark::State &state)
{
    const int size = int(state.range(0));
    const bool layout = state.range(1) != 0;
    TZqHexView source;
    source.ShowHex(Dump(size), size, 0);
    const QString text = source.toPlainText();
    QTextEdit view;
    view.setUndoRedoEnabled(false);
    view.setFont(source.font());
    view.setLineWrapMode(QTextEdit::NoWrap);
    for (auto _ : state) {
        view.setPlainText(text);
        if (layout)
            Layout(view);
    }
    state.SetBytesProcessed(state.iterations() * size);
}

} // namespace

// Arguments: bytes shown, and whether the document is laid out afterwards.
BENCHMARK(BM_ShowHex)->ArgsProduct({{2048, 65536}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPlainTextBaseline)->ArgsProduct({{2048, 65536}, {0, 1}})->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return EXIT_FAILURE;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
