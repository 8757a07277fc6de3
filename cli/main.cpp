#include "core/Tools.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--version"))) {
        out << "kalvinora-cli " << GetFileVersionText(QStringLiteral("%d.%d.%d.%d")) << Qt::endl;
        return 0;
    }
    out << "Usage: kalvinora-cli [options] FILE..." << Qt::endl;
    return args.size() > 1 ? 2 : 0;
}
