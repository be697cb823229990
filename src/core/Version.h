#pragma once

#include <QString>

// The program's version as major.minor (two digits).revision (three digits): 1.00.000.
QString VersionText();
