// The about box: its title, the beep, the four picture buttons that open the
// documentation pages, and the main window enabled again.

#include "window_fixture.h"

#include "app/doc_pages.h"
#include "app/about_box.h"

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
    MainWindow &f = started();
    f.ompEdit->setPlainText(QStringLiteral("$2:4M"));
    f.e500BasicAction->trigger();
    f.setWindowTitle(QStringLiteral("caption")); // read when the box loads
    f.aboutAction->trigger();
    AboutBox &about = *f.aboutBox();
    EXPECT_FALSE(f.isEnabled());
    // Input and the close box go to the box only: the output window waits too.
    EXPECT_EQ(QGuiApplication::modalWindow(), about.windowHandle());
    EXPECT_EQ(messages.beeps, 1);
    EXPECT_EQ(about.windowTitle(), u"バージョン情報 - caption");
    const QStringList lines = about.creditsText->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[6], u"<<OMP Module Version 1.0.0使用,H-MML2.0準拠>>");
    for (QPushButton *button : {about.guideButton, about.hmmlToOmpButton, about.hmmlButton, about.ompButton, about.guideButton})
        button->click();
    const int addressLines[] = {10, 13, 16, 19, 10};
    ASSERT_EQ(browser.opened.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(browser.opened[i], QUrl(lines[addressLines[i] - 1]));
        EXPECT_TRUE(QFile::exists(browser.opened[i].toLocalFile())) << str(browser.opened[i].toString());
    }
    EXPECT_TRUE(QFile::exists(QStringLiteral(VLTN_BIN_DIR "/../share/vellotune/doc/README.TXT")));
    about.okButton->click();
    EXPECT_TRUE(f.isEnabled());
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    flushDeletes();
    EXPECT_EQ(f.aboutBox(), nullptr);
}

TEST_F(AboutBoxTest, APageOrABrowserThatFailsIsReported)
{
    MainWindow &f = started();
    f.aboutAction->trigger();
    f.aboutBox()->hmmlButton->click(); // no documentation beside this program
    EXPECT_TRUE(lastMessage().contains(u"hmml.html") && lastMessage().contains(docs::pages()[2].title)) << str(lastMessage());
    f.aboutBox()->close(); // the close box too
    EXPECT_TRUE(f.isEnabled());
    flushDeletes();
    system.programDir = QStringLiteral(VLTN_BIN_DIR);
    browser.opens = false;
    f.aboutAction->trigger();
    f.aboutBox()->ompButton->click();
    EXPECT_TRUE(lastMessage().contains(u"ウェブブラウザー")) << str(lastMessage());
    EXPECT_EQ(messages.beeps, 2);
    EXPECT_EQ(docs::documentationDirectory(QStringLiteral("/opt/vltn/bin/")), u"/opt/vltn/share/vellotune/doc");
}

} // namespace
