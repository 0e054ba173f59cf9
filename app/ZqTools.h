#pragma once
#include <QString>

// The program's version as "major.minor.patch.build", from the build.
QString FileVersionText();
