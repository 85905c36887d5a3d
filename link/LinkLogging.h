#pragma once
#include <QLoggingCategory>

// The device link's one logging category ("qz.link"); shared by every file of this layer.
Q_DECLARE_LOGGING_CATEGORY(lcLink)
