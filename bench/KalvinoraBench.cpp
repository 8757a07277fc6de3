// Times single operations of the program for run_bench.sh.
//
//   kalvinora-bench tag FILE
//       retags FILE's header; prints "seconds peak-kib"
//   kalvinora-bench lines PS OUTPUT
//       prints the parameter file lines of a default PDF job, one per line
//   kalvinora-bench pstopdf PS OUTPUT
//       runs the PDF job with the default settings; prints "seconds
//       ghostscript-cpu-seconds"

#include "core/ProgramState.h"
#include "core/UniCodeException.h"
#include "ghostscript/GhostscriptJob.h"
#include "ghostscript/PSFileTags.h"
#include "ghostscript/UGhostscript.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

// CPU seconds of the programs this one started and waited for.
double ChildCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Usage()
{
    std::fprintf(stderr, "usage: kalvinora-bench tag FILE | lines PS OUTPUT | pstopdf PS OUTPUT\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    QTextStream out(stdout);

    if (args[0] == QLatin1String("tag") && args.size() == 2) {
        QElapsedTimer timer;
        timer.start();
        SetPSFileTags(args[1], QString(), QStringLiteral("Bench"));
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        out << QString::number(seconds, 'f', 4) << ' ' << PeakKib() << '\n';
        return 0;
    }

    if ((args[0] == QLatin1String("lines") || args[0] == QLatin1String("pstopdf")) && args.size() == 3) {
        ProgramState state;
        TGhostscriptPool pool;
        state.ChosenGhostscript = pool.FindByPath(QStringLiteral("/usr/bin/gs"));
        if (!state.ChosenGhostscript)
            state.ChosenGhostscript = pool.DefaultInstallation();
        if (!state.ChosenGhostscript) {
            std::fprintf(stderr, "no Ghostscript found\n");
            return 1;
        }
        try {
            if (args[0] == QLatin1String("lines")) {
                for (const QString& line : GsParameterLines(state, args[1], args[2], QString()))
                    out << line << '\n';
                return 0;
            }
            const double cpuBefore = ChildCpuSeconds();
            QElapsedTimer timer;
            timer.start();
            PsToPdf(state, false, args[1], args[2], QString());
            const double seconds = double(timer.nsecsElapsed()) / 1e9;
            out << QString::number(seconds, 'f', 4) << ' ' << QString::number(ChildCpuSeconds() - cpuBefore, 'f', 4) << '\n';
            return 0;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", qPrintable(ExceptionText(e)));
            return 1;
        }
    }
    return Usage();
}
