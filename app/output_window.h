#pragma once
// The output window: shows a generated text (a BASIC program), lets the user
// edit it and saves it as a text file. One window serves every generator
// run; it is modeless.

#include "app/common_dialog.h"

#include <QDialog>

class FileDialogs;
class MessageBoxes;
class QPlainTextEdit;
class QPushButton;

class OutputWindow : public QDialog {
    Q_OBJECT
public:
    OutputWindow(FileDialogs &dialogs, MessageBoxes &messages, QWidget *parent = nullptr);

    // Shows the window with `caption` and `text` (lines separated by "\r\n"),
    // replacing what it held before; a window already on screen keeps its
    // place and comes to the front.
    void showText(const QString &caption, const QString &text, const QIcon &icon);

    // The text as shown, lines separated by "\r\n", with what the user typed.
    QString text() const;

    // saveButton, "ファイルに保存": the text and one more line break, as CP932.
    void save();

    QPlainTextEdit *programText;
    QPushButton *saveButton, *closeButton, *sendButton;
    CommonDialog saveDialog;

signals:
    // sendButton, "ポケコンへ送信": the text as it stands, to be sent.
    void sendRequested(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;
    // Escape closes the window as "閉じる" does.
    void reject() override;

private:
    FileDialogs &m_dialogs;
    MessageBoxes &m_messages;
};
