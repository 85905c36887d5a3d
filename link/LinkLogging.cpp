#include "LinkLogging.h"

// Warnings only unless asked for (QT_LOGGING_RULES="qz.link*=true"): qzctl prints on the same
// terminal and the tests would drown in traces.
Q_LOGGING_CATEGORY(lcLink, "qz.link", QtWarningMsg)
