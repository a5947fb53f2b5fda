// The documentation pages: every example is compiled, formatted or turned
// into BASIC here, and must give exactly the result printed next to it.
//
// An example is a <pre> block of class "hmml" (H-MML source) or "omp-input"
// (OMP data); the <pre> block right after it holds the result:
//   hmml      -> omp        HMML_Convert with compaction (no separators)
//                omp-raw    HMML_Convert as emitted
//                error      "<line>行目 <message>"
//   omp-input -> formatted  OMP_Format with data-separator and data-interval
//                basic-e500, basic-g800   the BASIC program

#include "core/formats/basic_generator.h"
#include "core/hmml/compiler.h"
#include "core/omp/formatter.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "support/test_files.h"

namespace {

const QString DocsDir = QStringLiteral(VLTN_SOURCE_DIR "/docs");
const QStringList Pages = {QStringLiteral("guide.html"), QStringLiteral("hmml-to-omp.html"),
                           QStringLiteral("hmml.html"), QStringLiteral("omp.html")};

struct Block {
    QString kind;
    QString attributes;
    QString text;
    int line;
};

QString readPage(const QString &name)
{
    return QString::fromUtf8(readFile(QDir(DocsDir).filePath(name)));
}

QString unescape(QString text)
{
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

QList<Block> preBlocks(const QString &html)
{
    static const QRegularExpression pre(QStringLiteral("<pre(?: class=\"([^\"]*)\")?([^>]*)>(.*?)</pre>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    QList<Block> blocks;
    for (const QRegularExpressionMatch &m : pre.globalMatch(html)) {
        QString text = unescape(m.captured(3));
        if (text.endsWith(u'\n'))
            text.chop(1);
        const int line = int(html.left(m.capturedStart()).count(u'\n')) + 1;
        blocks.push_back({m.captured(1), m.captured(2), text, line});
    }
    return blocks;
}

QString attribute(const QString &attributes, const QString &name)
{
    const QRegularExpression re(name + QStringLiteral("=\"([^\"]*)\""));
    return re.match(attributes).captured(1);
}

// What Vellotune makes of `example` for a result block of kind `kind`.
QString resultOf(const Block &example, const Block &result)
{
    if (example.kind == u"hmml") {
        // Every line reaches the compiler followed by CR LF, as from a file.
        const QString source = QString(example.text).replace(u'\n', QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        ConversionStatus status;
        HmmlSongFields song;
        const QString omp = HMML_Convert(source, QStringLiteral("\r\n"), result.kind == u"omp-raw", status, song);
        if (result.kind == u"error")
            return status.ok() ? QStringLiteral("(no error)")
                               : QStringLiteral("%1行目 %2").arg(status.line).arg(status.message);
        if (result.kind == u"omp" || result.kind == u"omp-raw")
            return status.ok() ? omp : QStringLiteral("(error %1 on line %2)").arg(status.code).arg(status.line);
    } else if (example.kind == u"omp-input") {
        if (result.kind == u"formatted") {
            ConversionStatus status;
            return OMP_Format(example.text, attribute(result.attributes, QStringLiteral("data-separator")),
                              attribute(result.attributes, QStringLiteral("data-interval")).toInt(), status);
        }
        if (result.kind == u"basic-e500" || result.kind == u"basic-g800") {
            const BasicProgramResult program = generateBasicProgram(
                example.text, result.kind == u"basic-e500" ? Machine::E500 : Machine::G800);
            // Shown one program line to a page line.
            return program.ok() ? QString(program.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                : program.error;
        }
    }
    return QStringLiteral("(no result of kind \"%1\" for an example of kind \"%2\")").arg(result.kind, example.kind);
}

// Every example gives the result shown next to it, and every result shown
// follows an example, so that none goes unchecked.
TEST(DocumentationPages, EveryExampleGivesTheResultShownNextToIt)
{
    static const QSet<QString> results = {QStringLiteral("omp"),        QStringLiteral("omp-raw"),
                                          QStringLiteral("error"),      QStringLiteral("formatted"),
                                          QStringLiteral("basic-e500"), QStringLiteral("basic-g800")};
    int examples = 0;
    for (const QString &page : Pages) {
        const QList<Block> blocks = preBlocks(readPage(page));
        for (qsizetype i = 0; i < blocks.size(); ++i) {
            const Block &block = blocks[i];
            const bool example = block.kind == u"hmml" || block.kind == u"omp-input";
            const bool afterExample = i > 0 && (blocks[i - 1].kind == u"hmml" || blocks[i - 1].kind == u"omp-input");
            EXPECT_TRUE(!results.contains(block.kind) || afterExample) << str(page) << ":" << block.line << ": unchecked";
            if (!example)
                continue;
            ++examples;
            ASSERT_LT(i + 1, blocks.size()) << str(page) << ":" << block.line << ": example without result";
            EXPECT_EQ(str(resultOf(block, blocks[i + 1])), str(blocks[i + 1].text)) << str(page) << ":" << blocks[i + 1].line;
        }
    }
    EXPECT_GE(examples, 20);
}

// Every link between the pages, and every anchor, leads somewhere.
TEST(DocumentationPages, LinksLeadSomewhere)
{
    static const QRegularExpression href(QStringLiteral("href=\"([^\"#:]*)(?:#([^\"]*))?\""));
    for (const QString &page : Pages) {
        for (const QRegularExpressionMatch &m : href.globalMatch(readPage(page))) {
            const QString target = m.captured(1).isEmpty() ? page : m.captured(1);
            const QString anchor = m.captured(2).isEmpty() ? QString() : QStringLiteral("id=\"%1\"").arg(m.captured(2));
            EXPECT_TRUE(readPage(target).contains(anchor) && QFile::exists(QDir(DocsDir).filePath(target)))
                << str(page) << " -> " << str(target) << "#" << str(m.captured(2));
        }
    }
}

} // namespace
