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

class AboutBox : public QDialog {
    Q_OBJECT
public:
    // `ownerCaption` is the main window's caption, `docDir` the folder of the
    // documentation pages. The owner disables itself before and enables
    // itself again on unloaded().
    AboutBox(const QString &ownerCaption, Browser &browser, MessageBoxes &messages, const QString &docDir);

    // guideButton to ompButton: page 0 to 3 of docs::pages() in the browser. A
    // page that is missing or that no browser takes is reported.
    void openPage(int index);

    QLabel *nameLabel, *ompCreditLabel, *versionLabel, *iconPicture, *aboutPicture;
    QPlainTextEdit *creditsText;
    QPushButton *okButton, *guideButton, *hmmlToOmpButton, *hmmlButton, *ompButton;

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
