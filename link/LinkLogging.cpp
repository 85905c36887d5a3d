#include "LinkLogging.h"

Q_LOGGING_CATEGORY(lcLink, "qz.link")
