#pragma once
// The documentation pages that ship with the program, and where they are.

#include <QString>

#include <array>

namespace docs {

struct Page {
    QString fileName; // in the documentation folder
    QString title;    // as the about box names it
};

// The four pages, in the order of the about box's picture buttons: the user
// guide, H-MML to OMP conversion, the H-MML reference, the OMP reference.
const std::array<Page, 4> &pages();

// The documentation folder of a program that lies in `programDir`:
// "share/vellotune/doc" beside its "bin" folder. The build copies the pages
// to the same place in the build tree, so one rule serves an installed
// program and a development build alike.
QString documentationDirectory(const QString &programDir);

} // namespace docs
