// The about box: its title and text, the beep, the four picture buttons that
// open the documentation pages, and the main window enabled again.

#include "window_fixture.h"

#include "shell/app_info.h"
#include "shell/doc_pages.h"
#include "shell/form2.h"

#include <QAction>
#include <QGuiApplication>
#include <QWindow>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

namespace {

class AboutBoxTest : public WindowTest {
protected:
    // The pages as the build copies them beside the program.
    void useBuiltDocumentation() { system.programDir = QStringLiteral(VLTN_BIN_DIR); }
    QString builtDocs() const { return QDir::cleanPath(QStringLiteral(VLTN_BIN_DIR "/../share/vellotune/doc")); }

    Form2 &opened()
    {
        started().バージョン情報->trigger();
        EXPECT_NE(started().aboutBox(), nullptr);
        return *started().aboutBox();
    }
};

TEST_F(AboutBoxTest, OpeningDisablesTheMainWindowAndBeepsOnce)
{
    Form1 &f = started();
    Form2 &about = opened();
    EXPECT_TRUE(about.isVisible());
    EXPECT_FALSE(f.isEnabled());
    EXPECT_TRUE(about.isEnabled());
    EXPECT_EQ(messages.beeps, 1);
}

TEST_F(AboutBoxTest, WhileOpenNoOtherWindowTakesInput)
{
    Form1 &f = started();
    f.Text1->setPlainText(QStringLiteral("$2:4M"));
    f.E500BASIC変換->trigger();
    Form2 &about = opened();
    // The platform holds back input and the close box from every window but
    // the modal one: the output window and the main window wait.
    EXPECT_EQ(QGuiApplication::modalWindow(), about.windowHandle());
    about.close();
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
}

TEST_F(AboutBoxTest, TitleAndLabels)
{
    Form1 &f = started();
    Form2 &about = opened();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("バージョン情報 - Vellotune Version0.70β"));
    EXPECT_EQ(about.Label1->text(), QStringLiteral("Vellotune (VLTN)"));
    EXPECT_TRUE(about.Label1->font().bold());
    EXPECT_EQ(about.Label3->text(), QStringLiteral("Version 0.70β"));
    EXPECT_FALSE(about.Label2->text().isEmpty());
    EXPECT_EQ(about.Command1->text(), QStringLiteral("OK"));
    about.close();

    // The title is read from the main window's caption when the box loads.
    f.setWindowTitle(QStringLiteral("other caption"));
    flushDeletes();
    EXPECT_EQ(opened().windowTitle(), QStringLiteral("バージョン情報 - other caption"));
}

TEST_F(AboutBoxTest, TheTextHasNineteenLinesWithTheAddressesOfThePages)
{
    useBuiltDocumentation();
    const QStringList lines = opened().Text1->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(aboutText(builtDocs()).split(QStringLiteral("\r\n")), lines);
    for (int empty : {2, 4, 8, 11, 14, 17})
        EXPECT_TRUE(lines[empty - 1].isEmpty()) << "line " << empty;
    EXPECT_TRUE(lines[0].contains(QStringLiteral("OMP")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("操作についての詳しい説明は、README.TXTをご覧ください。")));
    EXPECT_GT(lines[2].size(), QStringLiteral("操作についての詳しい説明は、README.TXTをご覧ください。").size());
    EXPECT_EQ(lines[6], QStringLiteral("<<OMP Module Version 1.0.0使用,H-MML2.0準拠>>"));
    EXPECT_EQ(lines[11], QStringLiteral("MML2OMP 公式ページ"));
    const auto &pages = docs::pages();
    const int addressLines[] = {10, 13, 16, 19};
    for (size_t i = 0; i < 4; ++i) {
        const QUrl address(lines[addressLines[i] - 1]);
        EXPECT_TRUE(address.isLocalFile()) << lines[addressLines[i] - 1].toStdString();
        EXPECT_EQ(address.toLocalFile(), builtDocs() + u'/' + pages[i].fileName);
        EXPECT_TRUE(QFile::exists(address.toLocalFile())) << "the build puts the page beside the program";
    }
    EXPECT_EQ(lines[8], pages[0].title);
    EXPECT_EQ(lines[14], pages[2].title);
    EXPECT_EQ(lines[17], pages[3].title);
    // The README the text sends the user to ships with the pages.
    EXPECT_TRUE(QFile::exists(builtDocs() + QStringLiteral("/README.TXT")));
}

TEST_F(AboutBoxTest, ThePictureButtonsOpenTheirPagesInTheBrowser)
{
    useBuiltDocumentation();
    Form2 &about = opened();
    for (QPushButton *button : {about.Command2, about.Command3, about.Command4, about.Command5}) {
        EXPECT_TRUE(button->text().isEmpty()) << "a picture, no caption";
        EXPECT_FALSE(button->icon().pixmap(button->iconSize()).isNull()) << button->objectName().toStdString();
        button->click();
    }
    about.Command2->click();
    const QStringList lines = about.Text1->toPlainText().split(u'\n');
    ASSERT_EQ(browser.opened.size(), 5);
    EXPECT_EQ(browser.opened[0], QUrl(lines[9]));
    EXPECT_EQ(browser.opened[1], QUrl(lines[12]));
    EXPECT_EQ(browser.opened[2], QUrl(lines[15]));
    EXPECT_EQ(browser.opened[3], QUrl(lines[18]));
    EXPECT_EQ(browser.opened[4], browser.opened[0]) << "every click opens the page again";
    EXPECT_TRUE(about.isVisible()) << "the box stays open";
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(about.Picture1->pixmap().isNull());
    EXPECT_FALSE(about.Picture4->pixmap().isNull());
}

TEST_F(AboutBoxTest, APageThatCannotBeOpenedIsReported)
{
    // No documentation beside this program.
    Form2 &about = opened();
    about.Command4->click();
    EXPECT_TRUE(browser.opened.isEmpty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_EQ(messages.shown[0].title, MessageTitle);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("hmml.html"))) << lastMessage().toStdString();
    EXPECT_TRUE(lastMessage().contains(docs::pages()[2].title));
}

TEST_F(AboutBoxTest, ABrowserThatDoesNotStartIsReported)
{
    useBuiltDocumentation();
    browser.opens = false;
    opened().Command5->click();
    ASSERT_EQ(browser.opened.size(), 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("ウェブブラウザー"))) << lastMessage().toStdString();
}

TEST_F(AboutBoxTest, OkAndTheCloseBoxEnableTheMainWindowAgain)
{
    Form1 &f = started();
    opened().Command1->click();
    EXPECT_TRUE(f.isEnabled());
    flushDeletes();
    EXPECT_EQ(f.aboutBox(), nullptr);

    opened().close();
    EXPECT_TRUE(f.isEnabled());
    flushDeletes();
    EXPECT_EQ(f.aboutBox(), nullptr);
    EXPECT_EQ(messages.beeps, 2);
}

TEST(DocumentationDirectory, IsBesideTheProgramsBinFolder)
{
    EXPECT_EQ(docs::documentationDirectory(QStringLiteral("/usr/bin")), QStringLiteral("/usr/share/vellotune/doc"));
    EXPECT_EQ(docs::documentationDirectory(QStringLiteral("/opt/vltn/bin/")),
              QStringLiteral("/opt/vltn/share/vellotune/doc"));
}

} // namespace
