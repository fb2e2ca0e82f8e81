#include "app/DataPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

std::string DataSetsDirectory()
{
    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QString exe = QCoreApplication::applicationDirPath();
        candidates << exe + "/DataSets" << exe + "/../DataSets" << exe + "/../../DataSets" << exe + "/../share/lumetra/DataSets";
    }
    candidates << QStringLiteral(LUMETRA_SOURCE_DIR "/DataSets");
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate + "/Cars.lumet").isFile()) return QDir(candidate).canonicalPath().toStdString();
    return QStringLiteral(LUMETRA_SOURCE_DIR "/DataSets").toStdString();
}

std::string DataSetPath(const std::string& fileName) { return DataSetsDirectory() + "/" + fileName; }
