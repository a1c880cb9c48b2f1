#pragma once
#include <QString>

// The program folder, with a trailing '/': the folder of the running executable,
// unless ZAZUVI_HOME names another folder for the shop's data.
QString programDir();
// The folder of the running executable (where sibling programs and assets live).
QString executableDir();
// programDir() + name
QString programFile(const QString &name);
