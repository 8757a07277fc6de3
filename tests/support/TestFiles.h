#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Small file helpers shared by the tests.
namespace TestFiles {

bool WriteFile(const QString& path, const QByteArray& data);
QByteArray ReadFile(const QString& path);
// The messages of the protocol log, without their time stamps.
QStringList LogMessages();

}  // namespace TestFiles
