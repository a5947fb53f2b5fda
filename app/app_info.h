#pragma once

#include "core/version.h" // VersionText: shown in the about box and the titles

#include <QString>

// The title of every message box of the application.
inline const QString MessageTitle = QStringLiteral("VLTN ") + VersionText;
// The main window's caption: no blank between "Version" and the number.
inline const QString MainCaption = QStringLiteral("Vellotune Version") + VersionText;
