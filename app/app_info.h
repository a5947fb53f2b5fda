#pragma once

#include <QString>

// The version shown in the about box and the titles.
inline const QString VersionText = QStringLiteral("0.70β");
// The title of every message box of the application.
inline const QString MessageTitle = QStringLiteral("VLTN ") + VersionText;
// The main window's caption: no blank between "Version" and the number.
inline const QString MainCaption = QStringLiteral("Vellotune Version") + VersionText;
