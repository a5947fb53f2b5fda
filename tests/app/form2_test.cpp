// The about box: its title, the beep, the four picture buttons that open the
// documentation pages, and the main window enabled again.

#include "window_fixture.h"

#include "app/doc_pages.h"
#include "app/form2.h"

#include <QAction>
#include <QGuiApplication>
#include <QPushButton>
#include <QUrl>
#include <QWindow>

namespace {

using AboutBoxTest = WindowTest;

TEST_F(AboutBoxTest, OpensOverADisabledMainWindowAndOpensThePagesItNames)
{
    system.programDir = QStringLiteral(VLTN_BIN_DIR); // the pages as the build copies them beside the program
    Form1 &f = started();
    f.Text1->setPlainText(QStringLiteral("$2:4M"));
    f.E500BASIC変換->trigger();
    f.setWindowTitle(QStringLiteral("caption")); // read when the box loads
    f.バージョン情報->trigger();
    Form2 &about = *f.aboutBox();
    EXPECT_FALSE(f.isEnabled());
    // Input and the close box go to the box only: the output window waits too.
    EXPECT_EQ(QGuiApplication::modalWindow(), about.windowHandle());
    EXPECT_EQ(messages.beeps, 1);
    EXPECT_EQ(about.windowTitle(), u"バージョン情報 - caption");
    const QStringList lines = about.Text1->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[6], u"<<OMP Module Version 1.0.0使用,H-MML2.0準拠>>");
    for (QPushButton *button : {about.Command2, about.Command3, about.Command4, about.Command5, about.Command2})
        button->click();
    const int addressLines[] = {10, 13, 16, 19, 10};
    ASSERT_EQ(browser.opened.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(browser.opened[i], QUrl(lines[addressLines[i] - 1]));
        EXPECT_TRUE(QFile::exists(browser.opened[i].toLocalFile())) << str(browser.opened[i].toString());
    }
    EXPECT_TRUE(QFile::exists(QStringLiteral(VLTN_BIN_DIR "/../share/vellotune/doc/README.TXT")));
    about.Command1->click();
    EXPECT_TRUE(f.isEnabled());
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    flushDeletes();
    EXPECT_EQ(f.aboutBox(), nullptr);
}

TEST_F(AboutBoxTest, APageOrABrowserThatFailsIsReported)
{
    Form1 &f = started();
    f.バージョン情報->trigger();
    f.aboutBox()->Command4->click(); // no documentation beside this program
    EXPECT_TRUE(lastMessage().contains(u"hmml.html") && lastMessage().contains(docs::pages()[2].title)) << str(lastMessage());
    f.aboutBox()->close(); // the close box too
    EXPECT_TRUE(f.isEnabled());
    flushDeletes();
    system.programDir = QStringLiteral(VLTN_BIN_DIR);
    browser.opens = false;
    f.バージョン情報->trigger();
    f.aboutBox()->Command5->click();
    EXPECT_TRUE(lastMessage().contains(u"ウェブブラウザー")) << str(lastMessage());
    EXPECT_EQ(messages.beeps, 2);
    EXPECT_EQ(docs::documentationDirectory(QStringLiteral("/opt/vltn/bin/")), u"/opt/vltn/share/vellotune/doc");
}

} // namespace
