// Converts Word documents to PDF the way a conversion run does: one office
// for all of them, each printed to PostScript and made a PDF by Ghostscript.
// Usage: kalvinora-office-bench OUTPUT_DIR FILE...

#include "core/ProgramState.h"
#include "core/UniCodeException.h"
#include "engine/WordAutomation.h"
#include "engine/WorkPaths.h"
#include "platform/PrinterSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: kalvinora-office-bench OUTPUT_DIR FILE...\n");
        return 2;
    }
    const QString outDir = QFileInfo(args[0]).absoluteFilePath();

    ProgramState state;
    state.Printer = PrinterSystem::BuiltInPrinterName();
    state.OutputDir = outDir;

    QElapsedTimer timer;
    timer.start();
    int converted = 0;
    try {
        WordAutomation word(state);
        word.StartWord();
        for (const QString& file : args.mid(1)) {
            word.ConvertWordDocument(QFileInfo(file).absoluteFilePath());
            const QString pdf = outDir + '/' + QFileInfo(file).completeBaseName() + QStringLiteral(".pdf");
            QProcess gs;
            gs.start(QStringLiteral("gs"), {QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"),
                                            QStringLiteral("-q"), QStringLiteral("-sDEVICE=pdfwrite"),
                                            QStringLiteral("-sOutputFile=") + pdf, word.PSInput()});
            gs.waitForFinished(-1);
            QFile::remove(word.PSInput());
            if (gs.exitCode() == 0 && QFileInfo(pdf).size() > 0)
                ++converted;
            else
                std::fprintf(stderr, "%s: Ghostscript failed\n", qPrintable(file));
        }
        word.FinishWord();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(ExceptionText(e)));
    }
    ReleaseShortPaths();
    std::printf("%d of %lld documents in %lld ms\n", converted, static_cast<long long>(args.size() - 1),
                static_cast<long long>(timer.elapsed()));
    return converted == args.size() - 1 ? 0 : 1;
}
