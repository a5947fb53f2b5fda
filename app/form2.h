#pragma once
// The about box: name, version, credits, and four picture buttons that open
// the documentation pages in the user's web browser.

#include <QDialog>

class Browser;
class MessageBoxes;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The nineteen lines of the about text, joined by "\r\n"; the addresses are
// those of the pages in `docDir`.
QString aboutText(const QString &docDir);

class Form2 : public QDialog {
    Q_OBJECT
public:
    // `ownerCaption` is the main window's caption, `docDir` the folder of the
    // documentation pages. The owner disables itself before and enables
    // itself again on unloaded().
    Form2(const QString &ownerCaption, Browser &browser, MessageBoxes &messages, const QString &docDir);

    // Command2 to Command5: page 0 to 3 of docs::pages() in the browser. A
    // page that is missing or that no browser takes is reported.
    void openPage(int index);

    QLabel *Label1, *Label2, *Label3, *Picture1, *Picture4;
    QPlainTextEdit *Text1;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command5;

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildControls();

    Browser &m_browser;
    MessageBoxes &m_messages;
    QString m_docDir;
};
