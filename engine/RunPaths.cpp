#include "engine/RunPaths.h"

#include "engine/WorkPaths.h"

QString ReplaceExtension(const QString& path, const QString& newExtension)
{
    const qsizetype slash = path.lastIndexOf('/');
    const qsizetype dot = path.lastIndexOf('.');
    if (dot <= slash)
        return path + newExtension;
    return path.left(dot) + newExtension;
}

QString DocumentOutputPath(const ProgramState& state, const QString& sourcePath)
{
    const QString psName = ReplaceExtension(sourcePath, QStringLiteral(".ps"));
    const QString checked = CheckOutPath(state, psName);
    QString folder = ShortPath(checked.left(checked.lastIndexOf('/')));
    if (!folder.endsWith('/'))
        folder += '/';
    return folder + psName.mid(psName.lastIndexOf('/') + 1);
}
