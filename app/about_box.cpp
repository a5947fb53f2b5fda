#include "app/about_box.h"

#include "platform/desktop/browser.h"
#include "platform/desktop/message_boxes.h"
#include "app/app_info.h"
#include "app/doc_pages.h"
#include "app/window_placement.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString pageAddress(const QString &docDir, int index)
{
    return QUrl::fromLocalFile(QDir(docDir).filePath(docs::pages()[size_t(index)].fileName)).toString();
}

} // namespace

QString aboutText(const QString &docDir)
{
    const auto &pages = docs::pages();
    const QStringList lines = {
        QStringLiteral("OMP は、ポケットコンピュータとザウルスの一部機種 (PDA) で音楽を演奏するための方式で、"
                       "その考案者である OMP の作者が作りました。"),
        QString(),
        QStringLiteral("操作についての詳しい説明は、README.TXTをご覧ください。") +
            QStringLiteral("OMP についてさらに詳しくは、下の「") + pages[3].title + QStringLiteral("」をご覧ください。"),
        QString(),
        QStringLiteral("このソフトで使用している MML2OMP は、MML2OMP と H-MML の言語を設計し作成した作者のものを"
                       "移植したものです。"),
        QStringLiteral("移植と使用を快く許してくださった作者に、心から感謝いたします。"),
        QStringLiteral("<<OMP Module Version 1.0.0使用,H-MML2.0準拠>>"),
        QString(),
        pages[0].title,
        pageAddress(docDir, 0),
        QString(),
        QStringLiteral("MML2OMP 公式ページ"),
        pageAddress(docDir, 1),
        QString(),
        pages[2].title,
        pageAddress(docDir, 2),
        QString(),
        pages[3].title,
        pageAddress(docDir, 3),
    };
    return lines.join(QStringLiteral("\r\n"));
}

AboutBox::AboutBox(const QString &ownerCaption, Browser &browser, MessageBoxes &messages, const QString &docDir)
    : QDialog(nullptr), m_browser(browser), m_messages(messages), m_docDir(docDir)
{
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Shown without waiting for it, yet the only window that takes input:
    // besides the disabled main window, the output window and the main
    // window's close box wait until it closes.
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();

    adjustSize();
    centreOnScreen(*this);
    versionLabel->setText(QStringLiteral("Version ") + VersionText);
    setWindowTitle(QStringLiteral("バージョン情報 - ") + ownerCaption);
    creditsText->setPlainText(aboutText(m_docDir));
}

void AboutBox::buildControls()
{
    auto pictureButton = [this](QPushButton *&button, const char *name, const QString &image, int page) {
        button = new QPushButton(this);
        button->setObjectName(QLatin1String(name));
        button->setIcon(QIcon(image));
        button->setIconSize(QSize(176, 44));
        button->setFlat(true);
        button->setAutoDefault(false);
        button->setToolTip(docs::pages()[size_t(page)].title);
        button->setAccessibleName(docs::pages()[size_t(page)].title);
        connect(button, &QPushButton::clicked, this, [this, page] { openPage(page); });
    };
    pictureButton(guideButton, "Command2", QStringLiteral(":/vellotune/banner-guide.svg"), 0);
    pictureButton(hmmlToOmpButton, "Command3", QStringLiteral(":/vellotune/banner-hmml-to-omp.svg"), 1);
    pictureButton(hmmlButton, "Command4", QStringLiteral(":/vellotune/banner-hmml.svg"), 2);
    pictureButton(ompButton, "Command5", QStringLiteral(":/vellotune/banner-omp.svg"), 3);

    iconPicture = new QLabel(this);
    iconPicture->setObjectName(QStringLiteral("Picture1"));
    iconPicture->setPixmap(QIcon(QStringLiteral(":/vellotune/vellotune.svg")).pixmap(48, 48));
    aboutPicture = new QLabel(this);
    aboutPicture->setObjectName(QStringLiteral("Picture4"));
    aboutPicture->setPixmap(QIcon(QStringLiteral(":/vellotune/about-picture.svg")).pixmap(176, 88));
    aboutPicture->setAlignment(Qt::AlignCenter);

    nameLabel = new QLabel(QStringLiteral("Vellotune (VLTN)"), this);
    nameLabel->setObjectName(QStringLiteral("Label1"));
    QFont bold = nameLabel->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    nameLabel->setFont(bold);
    versionLabel = new QLabel(QStringLiteral("Version x.xx"), this);
    versionLabel->setObjectName(QStringLiteral("Label3"));
    ompCreditLabel = new QLabel(QStringLiteral("OMP: ポケコンのための音楽演奏方式 (C) OMP の作者"), this);
    ompCreditLabel->setObjectName(QStringLiteral("Label2"));

    creditsText = new QPlainTextEdit(this);
    creditsText->setObjectName(QStringLiteral("Text1"));
    creditsText->setReadOnly(true);
    creditsText->setMinimumSize(460, 390);

    auto *buttons = new QDialogButtonBox(this);
    okButton = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    okButton->setObjectName(QStringLiteral("Command1"));
    okButton->setDefault(true);

    auto *left = new QVBoxLayout;
    for (QPushButton *b : {guideButton, hmmlToOmpButton, hmmlButton, ompButton})
        left->addWidget(b);
    left->addStretch(1);
    left->addWidget(aboutPicture);

    auto *names = new QVBoxLayout;
    names->addWidget(nameLabel);
    names->addWidget(versionLabel);
    names->addWidget(ompCreditLabel);
    auto *heading = new QHBoxLayout;
    heading->addWidget(iconPicture, 0, Qt::AlignTop);
    heading->addLayout(names, 1);

    auto *right = new QVBoxLayout;
    right->addLayout(heading);
    right->addWidget(creditsText, 1);
    right->addWidget(buttons);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    connect(buttons, &QDialogButtonBox::accepted, this, &QWidget::close);
}

void AboutBox::openPage(int index)
{
    const docs::Page &page = docs::pages()[size_t(index)];
    const QString path = QDir(m_docDir).filePath(page.fileName);
    QString error;
    if (!QFileInfo(path).isFile())
        error = QStringLiteral("「%1」のページ %2 が見つかりません。").arg(page.title, QDir::toNativeSeparators(path));
    else if (!m_browser.open(QUrl::fromLocalFile(path)))
        error = QStringLiteral("「%1」をウェブブラウザーで開けませんでした。\r\n\r\nページ: %2")
                    .arg(page.title, QDir::toNativeSeparators(path));
    if (!error.isEmpty())
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle, error);
}

void AboutBox::closeEvent(QCloseEvent *event)
{
    emit unloaded();
    event->accept();
}

void AboutBox::reject()
{
    close();
}
