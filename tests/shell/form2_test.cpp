// The about box: its title and text, the beep, the four picture buttons that
// open the documentation pages, and the main window enabled again.

#include "window_fixture.h"

#include "shell/app_info.h"
#include "shell/doc_pages.h"
#include "shell/form2.h"

#include <QAction>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QWindow>

namespace {

class AboutBoxTest : public WindowTest {
protected:
    // The pages as the build copies them beside the program.
    void useBuiltDocumentation() { system.programDir = QStringLiteral(VLTN_BIN_DIR); }

    Form2 &opened()
    {
        started().バージョン情報->trigger();
        EXPECT_NE(started().aboutBox(), nullptr);
        return *started().aboutBox();
    }
};

TEST_F(AboutBoxTest, OpensOverADisabledMainWindowWithABeepAndItsTitle)
{
    Form1 &f = started();
    f.Text1->setPlainText(QStringLiteral("$2:4M"));
    f.E500BASIC変換->trigger();
    Form2 &about = opened();
    EXPECT_FALSE(f.isEnabled());
    // Input and the close box go to the box only: the output window waits too.
    EXPECT_EQ(QGuiApplication::modalWindow(), about.windowHandle());
    EXPECT_EQ(messages.beeps, 1);
    EXPECT_EQ(about.windowTitle(), u"バージョン情報 - Vellotune Version0.70β");
    about.Command1->click();
    EXPECT_TRUE(f.isEnabled());
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    flushDeletes();
    EXPECT_EQ(f.aboutBox(), nullptr);
    // The title follows the caption when the box loads; the close box closes it too.
    f.setWindowTitle(QStringLiteral("other caption"));
    Form2 &again = opened();
    EXPECT_EQ(again.windowTitle(), u"バージョン情報 - other caption");
    again.close();
    EXPECT_TRUE(f.isEnabled());
    EXPECT_EQ(messages.beeps, 2);
}

TEST_F(AboutBoxTest, ThePictureButtonsOpenThePagesTheTextNames)
{
    useBuiltDocumentation();
    Form2 &about = opened();
    const QStringList lines = about.Text1->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[6], u"<<OMP Module Version 1.0.0使用,H-MML2.0準拠>>");
    EXPECT_TRUE(lines[2].startsWith(u"操作についての詳しい説明は、README.TXTをご覧ください。"));
    for (QPushButton *button : {about.Command2, about.Command3, about.Command4, about.Command5, about.Command2})
        button->click();
    ASSERT_EQ(browser.opened.size(), 5);
    const int addressLines[] = {10, 13, 16, 19, 10};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(browser.opened[i], QUrl(lines[addressLines[i] - 1]));
        EXPECT_TRUE(QFile::exists(browser.opened[i].toLocalFile())) << "the build puts the page beside the program";
    }
    EXPECT_TRUE(QFile::exists(QStringLiteral(VLTN_BIN_DIR "/../share/vellotune/doc/README.TXT")));
    EXPECT_TRUE(about.isVisible() && messages.shown.empty());
}

TEST_F(AboutBoxTest, APageOrABrowserThatFailsIsReported)
{
    // No documentation beside this program.
    opened().Command4->click();
    EXPECT_TRUE(browser.opened.isEmpty());
    EXPECT_TRUE(lastMessage().contains(u"hmml.html") && lastMessage().contains(docs::pages()[2].title)) << str(lastMessage());
    started().aboutBox()->close();
    flushDeletes();

    useBuiltDocumentation();
    browser.opens = false;
    opened().Command5->click();
    EXPECT_TRUE(lastMessage().contains(u"ウェブブラウザー")) << str(lastMessage());
    EXPECT_EQ(docs::documentationDirectory(QStringLiteral("/opt/vltn/bin/")), u"/opt/vltn/share/vellotune/doc");
}

} // namespace
