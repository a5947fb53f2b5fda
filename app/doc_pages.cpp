#include "app/doc_pages.h"

#include <QDir>

namespace docs {

const std::array<Page, 4> &pages()
{
    static const std::array<Page, 4> all = {{
        {QStringLiteral("guide.html"), QStringLiteral("Vellotune ユーザーガイド")},
        {QStringLiteral("hmml-to-omp.html"), QStringLiteral("H-MML から OMP への変換")},
        {QStringLiteral("hmml.html"), QStringLiteral("H-MML 言語リファレンス")},
        {QStringLiteral("omp.html"), QStringLiteral("OMP フォーマット リファレンス")},
    }};
    return all;
}

QString documentationDirectory(const QString &programDir)
{
    return QDir::cleanPath(QDir(programDir).absoluteFilePath(QStringLiteral("../share/vellotune/doc")));
}

} // namespace docs
