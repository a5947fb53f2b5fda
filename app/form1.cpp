#include "app/form1.h"

#include "core/formats/omp_list.h"
#include "core/hmml/hmml_file.h"
#include "core/importer/midi_import.h"
#include "core/formats/midi_writer.h"
#include "platform/watch/file_watch.h"
#include "platform/audio/media_player.h"
#include "core/io/read_file.h"
#include "platform/desktop/message_boxes.h"
#include "core/io/save_file.h"
#include "platform/desktop/system_services.h"
#include "app/app_info.h"
#include "app/doc_pages.h"
#include "app/form2.h"
#include "app/form3.h"
#include "app/form7.h"
#include "app/form8.h"
#include "app/form9.h"
#include "app/overwrite_question.h"
#include "app/player_strip.h"
#include "core/song/song_file.h"
#include "core/song/tone_names.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {

// Twips (1/1440 inch) to pixels at 96 dpi; Qt scales for other screens.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

QRect twipRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

const QString NoOmpData = QStringLiteral("OMPデータがロードされていません");

} // namespace

Form1::Form1(const Form1Services &services, QWidget *parent)
    : QMainWindow(parent),
      CD1(QStringLiteral("CD1"), QStringLiteral("*.vtd (Vellotune Data) |*.vtd|*.* (All Files) |*.*")),
      CD2(QStringLiteral("CD2"), QStringLiteral("*.txt (Text File) |*.txt")),
      CD3(QStringLiteral("CD3"), QString()),
      CD4(QStringLiteral("CD4"), QStringLiteral("*.hml(Orrin's Music Language)|*.hml")),
      CD5(QStringLiteral("CD5"), QStringLiteral("*.vtd (VLTN data file) |*.vtd|")),
      CD6(QStringLiteral("CD6"), QStringLiteral("*.mid(MIDI File)|*.mid")),
      CD7(QStringLiteral("CD7"), QStringLiteral("*.mid *.midi (MIDI File)|*.mid;*.midi|*.* (All Files)|*.*")),
      CD8(QStringLiteral("CD8"), QStringLiteral("*.hml(Orrin's Music Language)|*.hml")),
      m_services(services)
{
    setObjectName(QStringLiteral("Form1"));
    buildControls();
    buildMenus();
    // The client area has the size it was designed with; the menu bar adds to it.
    adjustSize();
    setFixedSize(size());
    m_services.player.setErrorHandler([this](const QString &message) {
        m_services.messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle, message);
    });
    m_watch = std::make_unique<FileWatch>([this] { songFileSaved(); });
    m_followTimer = new QTimer(this);
    m_followTimer->setInterval(40);
    connect(m_followTimer, &QTimer::timeout, this, &Form1::followPlayback);
}

Form1::~Form1()
{
    m_services.player.setErrorHandler({});
    // The other windows are top-level windows of their own: they go with
    // the main window.
    delete m_form2;
    delete m_form3;
    delete m_form7;
    delete m_form8;
    delete m_form9;
}

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(8895), px(4545));
    setCentralWidget(client);

    MP1 = new PlayerStrip(m_services.player, client);
    MP1->setObjectName(QStringLiteral("MP1"));
    MP1->setGeometry(twipRect(120, 60, 5715, 675));

    Frame1 = new QGroupBox(QStringLiteral("OMP"), client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipRect(5880, 60, 2895, 915));
    Command1 = new QPushButton(QStringLiteral("再生・リロード"), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipRect(120, 300, 1335, 495));
    Command2 = new QPushButton(QStringLiteral("停止"), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipRect(1440, 300, 1395, 495));

    Frame2 = new QGroupBox(QStringLiteral("H-MML2OMP"), client);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(twipRect(5880, 960, 2895, 1395));
    Command3 = new QPushButton(QStringLiteral("ファイル読み込み・変換"), client);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twipRect(6300, 1260, 2115, 495));
    Command4 = new QPushButton(QStringLiteral("メモ帳で編集"), client);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setGeometry(twipRect(6300, 1740, 2115, 495));

    auto label = [client](QLabel *&l, const char *name, const QString &text, int left, int top) {
        l = new QLabel(text, client);
        l->setObjectName(QLatin1String(name));
        l->move(px(left), px(top));
        l->adjustSize();
    };
    auto line = [client](QLineEdit *&t, const char *name, int left, int top, int width, int height) {
        t = new QLineEdit(client);
        t->setObjectName(QLatin1String(name));
        t->setGeometry(twipRect(left, top, width, height));
    };
    label(Label2, "Label2", QStringLiteral("タイトル"), 420, 900);
    line(Text2, "Text2", 1200, 840, 4575, 315);
    label(Label3, "Label3", QStringLiteral("著作権"), 480, 1260);
    line(Text3, "Text3", 1200, 1200, 4575, 315);
    label(Label4, "Label4", QStringLiteral("データ作者"), 120, 1620);
    line(Text4, "Text4", 1200, 1560, 4575, 315);
    label(Label1, "Label1", QStringLiteral("音色"), 660, 1920);

    Combo1 = new QComboBox(client);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->addItems(toneNames());
    Combo1->setCurrentIndex(-1);
    Combo1->move(px(1200), px(1920));
    Combo1->resize(px(2895), Combo1->sizeHint().height());

    Frame3 = new QGroupBox(QStringLiteral("OMPデータ"), client);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setGeometry(twipRect(120, 2280, 8655, 2175));
    Text1 = new QPlainTextEdit(Frame3);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipRect(60, 240, 8535, 1875));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(Text1, &QPlainTextEdit::textChanged, this, &Form1::chooseOmpWrapping);
    connect(Text1, &QPlainTextEdit::textChanged, this, [this] {
        ++m_ompChanges;
        // Typed by the user: no longer the data as compiled.
        if (!m_settingOmp)
            m_lines.reset();
    });

    // The H-MML source last read: kept, never shown.
    Hmml = new QPlainTextEdit(client);
    Hmml->setObjectName(QStringLiteral("Hmml"));
    Hmml->setGeometry(twipRect(4920, 2520, 3495, 1815));
    Hmml->setVisible(false);
    Frame3->raise();

    auto rule = [client](QFrame *&f, const char *name, const QRect &r) {
        f = new QFrame(client);
        f->setObjectName(QLatin1String(name));
        f->setFrameShape(QFrame::HLine);
        f->setFrameShadow(QFrame::Sunken);
        f->setGeometry(r);
    };
    rule(Line1, "Line1", twipRect(120, 780, 5715, 30));
    rule(Line2, "Line2", twipRect(120, 2220, 5715, 30));

    connect(Command1, &QPushButton::clicked, this, &Form1::OMP_Play);
    connect(Command2, &QPushButton::clicked, this, &Form1::OMP_Stop);
    connect(Command3, &QPushButton::clicked, this, &Form1::loadAndConvert);
    connect(Command4, &QPushButton::clicked, this, &Form1::editInNotepad);
}

void Form1::buildMenus()
{
    auto item = [this](QMenu *menu, QAction *&action, const char *name, const QString &caption) {
        action = menu->addAction(caption);
        action->setObjectName(QString::fromUtf8(name));
    };
    auto separator = [](QMenu *menu, QAction *&action, const char *name) {
        action = menu->addSeparator();
        action->setObjectName(QString::fromUtf8(name));
    };
    auto submenu = [](QMenu *parentMenu, QMenu *&menu, const char *name, const QString &caption) {
        menu = parentMenu->addMenu(caption);
        menu->setObjectName(QString::fromUtf8(name));
        menu->menuAction()->setObjectName(QString::fromUtf8(name));
    };

    ファイル = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    ファイル->setObjectName(QStringLiteral("ファイル"));
    item(ファイル, OMPファイルを開く, "OMPファイルを開く", QStringLiteral("VTDファイルを開く(&P)"));
    item(ファイル, MMLファイルを開く, "MMLファイルを開く", QStringLiteral("HMLファイルを開く(&H)"));
    item(ファイル, MIDIファイルを開く, "MIDIファイルを開く", QStringLiteral("MIDIファイルを開く"));
    item(ファイル, HMMLエディタ, "HMMLエディタ", QStringLiteral("H-MMLエディタ(&D)..."));
    item(ファイル, VTDファイルの保存, "VTDファイルの保存", QStringLiteral("VTDファイルの保存(&S)"));
    separator(ファイル, 仕切り4, "仕切り4");
    submenu(ファイル, Export, "Export", QStringLiteral("エクスポート(&E)"));
    item(Export, 名前を付けて保存, "名前を付けて保存", QStringLiteral("OMPリスト(&O)"));
    item(Export, MIDI_EXPORT, "MIDI_EXPORT", QStringLiteral("MIDIシーケンスデータ(*.mid)(&M)"));
    submenu(ファイル, BASIC_convert, "BASIC_convert", QStringLiteral("BASIC(&B)"));
    item(BASIC_convert, G800BASIC変換, "G800BASIC変換", QStringLiteral("OMP→G800BASIC変換(&G)"));
    item(BASIC_convert, E500BASIC変換, "E500BASIC変換", QStringLiteral("OMP→E500BASIC変換(&E)"));
    item(ファイル, ポケコンへ送信, "ポケコンへ送信", QStringLiteral("ポケコンへ送信(&T)..."));
    separator(ファイル, 仕切り1, "仕切り1");
    item(ファイル, 閉じる, "閉じる", QStringLiteral("閉じる(&X)"));

    Setting = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    Setting->setObjectName(QStringLiteral("Setting"));
    item(Setting, 各種設定, "各種設定", QStringLiteral("各種設定(&S)"));

    ヘルプ = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    ヘルプ->setObjectName(QStringLiteral("ヘルプ"));
    item(ヘルプ, ヘルプの表示, "ヘルプの表示", QStringLiteral("ヘルプの表示(&H)"));
    ヘルプの表示->setEnabled(false);
    separator(ヘルプ, 仕切り3, "仕切り3");
    item(ヘルプ, バージョン情報, "バージョン情報", QStringLiteral("このソフトについて(&A)"));

    connect(OMPファイルを開く, &QAction::triggered, this, &Form1::openSong);
    connect(MMLファイルを開く, &QAction::triggered, this, &Form1::loadAndConvert);
    connect(MIDIファイルを開く, &QAction::triggered, this, &Form1::openMidiFile);
    connect(HMMLエディタ, &QAction::triggered, this, &Form1::openEditor);
    connect(VTDファイルの保存, &QAction::triggered, this, &Form1::saveSong);
    connect(MIDI_EXPORT, &QAction::triggered, this, &Form1::exportMidi);
    connect(名前を付けて保存, &QAction::triggered, this, &Form1::exportOmpList);
    connect(E500BASIC変換, &QAction::triggered, this, [this] { convertToBasic(BasicMachine::E500); });
    connect(G800BASIC変換, &QAction::triggered, this, [this] { convertToBasic(BasicMachine::G800); });
    connect(各種設定, &QAction::triggered, this, &Form1::openSettings);
    connect(ポケコンへ送信, &QAction::triggered, this, &Form1::sendToMachine);
    connect(バージョン情報, &QAction::triggered, this, &Form1::showAbout);
    connect(閉じる, &QAction::triggered, this, &QWidget::close);
}

int Form1::toneIndex() const
{
    const int index = Combo1->currentIndex();
    // A text typed into the box selects no entry.
    if (index < 0 || Combo1->currentText() != Combo1->itemText(index))
        return -1;
    return index;
}

void Form1::setToneIndex(int index)
{
    Combo1->setCurrentIndex(index);
    if (index < 0)
        Combo1->setEditText(QString());
}

namespace {

// Lines of the OMP box break after the separators. Data without them (no
// separators set, or a song file written without) has no place to break a
// word, and looking for one along the whole text for every line takes time
// that grows with the square of its length: such data breaks anywhere.
QTextOption::WrapMode ompWrapMode(QStringView text)
{
    constexpr qsizetype LongestRun = 1000;
    qsizetype run = 0;
    for (const QChar c : text) {
        run = (c == u' ' || c == u'/') ? 0 : run + 1;
        if (run > LongestRun)
            return QTextOption::WrapAnywhere;
    }
    return QTextOption::WrapAtWordBoundaryOrAnywhere;
}

} // namespace

void Form1::chooseOmpWrapping()
{
    const QTextOption::WrapMode mode = ompWrapMode(Text1->toPlainText());
    if (Text1->wordWrapMode() != mode)
        Text1->setWordWrapMode(mode);
}

void Form1::setOmpText(const QString &omp, std::shared_ptr<const hmml::NoteLineMap> lines)
{
    // Chosen while the box is empty: it lays out whatever it holds the moment
    // the mode changes, and the new text as soon as it goes in.
    m_settingOmp = true;
    Text1->clear();
    Text1->setWordWrapMode(ompWrapMode(omp));
    Text1->setPlainText(omp);
    m_settingOmp = false;
    m_lines = std::move(lines);
}

QString Form1::temporaryFilePath() const
{
    return QDir(m_tempDir).filePath(QStringLiteral("vltn.dat"));
}

void Form1::showError(const QString &text, const QString &title)
{
    m_services.messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, title, text);
}

bool Form1::confirmOverwrite(const QString &path)
{
    return ::confirmOverwrite(m_services.messages, this, path);
}

bool Form1::startUp(const QStringList &arguments)
{
    m_tempDir = m_services.system.temporaryDirectory();
    if (m_services.system.anotherInstanceRunning()) {
        m_services.messages.show(this, MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok, MessageTitle,
                                 QStringLiteral("すでに起動されています。複数起動はできません。"));
        return false;
    }
    QString settingsError;
    m_settings = m_services.settingsPath.isEmpty() ? LoadSettings(&settingsError)
                                                   : LoadSettings(m_services.settingsPath, &settingsError);
    setWindowTitle(MainCaption);
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + area.width() / 2 - frameGeometry().width() / 2,
             area.y() + area.height() / 2 - frameGeometry().height() / 2);
    }
    setToneIndex(m_settings.DefaultTone);
    show();
    if (!settingsError.isEmpty())
        showError(settingsError, MessageTitle);

    QString commandLine = arguments.join(u' ');
    if (commandLine.isEmpty())
        return true;
    if (commandLine.startsWith(u'"'))
        commandLine = commandLine.mid(1, commandLine.size() - 2); // StripQuotes
    const QString path = QFileInfo(commandLine).isRelative() ? QDir::current().absoluteFilePath(commandLine)
                                                             : commandLine;
    // A song file by its own extension, in any case: a ".vtd" elsewhere in
    // the path (a folder named songs.vtd.d) says nothing about the file.
    const bool songFile = QFileInfo(path).suffix().compare(QLatin1String("vtd"), Qt::CaseInsensitive) == 0;
    if (songFile)
        openSongFile(path);
    else
        convertHmmlFile(path);
    return true;
}

void Form1::convertHmmlFile(const QString &path)
{
    // A device or a pipe would be read without end, and the window with it.
    if (const QString error = ReadFile::regularFileError(path); !error.isEmpty()) {
        showError(error, MessageTitle);
        return;
    }
    const HmmlFileText file = readHmmlFile(path);
    if (!file.ok()) {
        showError(file.error, MessageTitle);
        return;
    }
    // Watched from now on, also when it does not compile: fixed in another
    // editor, it is read again.
    setSongFile(path);
    convertHmmlText(file.text);
}

bool Form1::convertHmmlText(const QString &text)
{
    const HmmlConversion conversion = convertHmml(text, separatorText(m_settings), separatorInterval(m_settings));
    if (!conversion.ok()) {
        m_hmmlSource = text;
        Hmml->setPlainText(text);
        showError(conversionErrorMessage(conversion.status), MessageTitle);
        Text1->clear();
        return false;
    }
    showConversion(conversion, true);
    return true;
}

void Form1::showConversion(const HmmlConversion &conversion, bool read)
{
    m_hmmlSource = conversion.song.hmmlSource;
    if (read)
        Hmml->setPlainText(m_hmmlSource);
    m_songFromHmml = true;
    setOmpText(conversion.song.omp, conversion.lines);
    Text2->setText(conversion.song.title);
    Text3->setText(conversion.song.copyright);
    Text4->setText(conversion.song.author);
    // A program outside the list cannot be shown: the tone stays as it was.
    if (const std::optional<int> tone = toneAfterConversion(conversion, m_settings.DefaultTone))
        setToneIndex(*tone);
}

void Form1::openMidiFile()
{
    if (!CD7.ShowOpen(m_services.dialogs, this))
        return;
    if (const QString error = ReadFile::regularFileError(CD7.FileName); !error.isEmpty()) {
        showError(error, MessageTitle);
        return;
    }
    const importer::ImportResult imported = importer::importMidiFile(CD7.FileName, {});
    if (!imported.ok()) {
        showError(QStringLiteral("MIDIファイルを読み込めませんでした。\r\n\r\n") + imported.error, MessageTitle);
        return;
    }
    // The song is compiled as an H-MML file is on loading; the user then
    // keeps its text as a file of its own, or not.
    if (!convertHmmlText(imported.hmml))
        return;
    setSongFile(QString());
    QString report = imported.report;
    report.replace(u'\n', QStringLiteral("\r\n"));
    const MessageBoxes::Answer save = m_services.messages.show(
        this, MessageBoxes::Icon::Information, MessageBoxes::Buttons::YesNo, MessageTitle,
        report + QStringLiteral("\r\nこの曲を H-MML ファイルに保存しますか?"));
    if (save == MessageBoxes::Answer::Yes)
        saveImportedHmml(CD7.FileName, imported.hmml);
}

void Form1::saveImportedHmml(const QString &midiPath, const QString &hmml)
{
    const QFileInfo midi(midiPath);
    CD8.FileName = midi.dir().filePath(midi.completeBaseName() + QStringLiteral(".hml"));
    if (!CD8.ShowSave(m_services.dialogs, this) || !confirmOverwrite(CD8.FileName))
        return;
    QString error;
    const QByteArray bytes = importer::encodeHmml(hmml, false, error);
    if (error.isEmpty())
        error = SaveFile::writeAll(CD8.FileName, bytes);
    if (!error.isEmpty()) {
        showError(error, MessageTitle);
        return;
    }
    // The saved file is the song's H-MML file from now on, as if opened.
    CD3.FileName = CD8.FileName;
    CD4.FileName = CD8.FileName;
    setSongFile(CD8.FileName);
}

void Form1::loadAndConvert()
{
    CD3.Filter = QStringLiteral("*.hml *.hmml *.mml (Orrin's Music Language) | *.hml;*.hmml;*.mml|"
                                "*.txt(Text File)|*.txt|*.* (All Files)|*.*");
    if (!CD3.ShowOpen(m_services.dialogs, this))
        return;
    CD4.FileName = CD3.FileName;
    convertHmmlFile(CD3.FileName);
}

void Form1::editInNotepad()
{
    if (!CD4.ShowOpen(m_services.dialogs, this))
        return;
    CD3.FileName = CD4.FileName;
    // What the editor saves is read again (while that setting is on).
    setSongFile(CD4.FileName);
    // The command does not wait for the editor, and an editor that does not
    // start ends it quietly.
    m_services.system.startEditor(CD4.FileName);
}

void Form1::openSongFile(const QString &path)
{
    if (const QString error = ReadFile::regularFileError(path); !error.isEmpty()) {
        showError(error, MessageTitle);
        return;
    }
    const SongLoadResult loaded = LoadSong(path);
    if (!loaded.ok()) {
        // Nothing of the current song is touched by a file that is not one.
        showError(loaded.error, MessageTitle);
        return;
    }
    setOmpText(loaded.song.omp);
    setSongFile(QString());
    m_songFromHmml = false;
    Text2->setText(loaded.song.title);
    Text3->setText(loaded.song.copyright);
    Text4->setText(loaded.song.author);
    // A "Program" the list cannot show leaves the tone as it was.
    if (const std::optional<qint16> tone = songTone(loaded.program))
        setToneIndex(*tone);
}

void Form1::openSong()
{
    OMP_Stop();
    if (!CD1.ShowOpen(m_services.dialogs, this))
        return;
    openSongFile(CD1.FileName);
}

void Form1::saveSong()
{
    if (!CD5.ShowSave(m_services.dialogs, this))
        return;
    if (!confirmOverwrite(CD5.FileName))
        return;
    const IniWriteResult saved = SaveSong(CD5.FileName, song());
    if (!saved.ok())
        showError(saved.error, MessageTitle);
}

void Form1::exportMidi()
{
    if (Text1->toPlainText().isEmpty()) {
        showError(NoOmpData + QStringLiteral("\r\nOMPデータをロードするか、MMLファイルをロードしてください"),
                  QStringLiteral("ERROR-") + MessageTitle);
        return;
    }
    if (!CD6.ShowSave(m_services.dialogs, this))
        return;
    if (!confirmOverwrite(CD6.FileName))
        return;
    const MidiResult written = MIDI_Exp(Text1->toPlainText(), CD6.FileName, toneIndex());
    if (!written.ok())
        showError(written.error, MessageTitle);
}

void Form1::OMP_Play()
{
    const QString omp = Text1->toPlainText();
    if (omp.isEmpty()) {
        showError(NoOmpData + QStringLiteral("\r\nOMPデータをロードするか、HMLファイルをロードしてください"),
                  QStringLiteral("ERROR-") + MessageTitle);
        return;
    }
    if (!omp.startsWith(u'$')) {
        showError(QStringLiteral("OMPデータが無効です\r\n正しいOMPデータをロードするか、HMLファイルをロードしてください"),
                  QStringLiteral("ERROR-") + MessageTitle);
        return;
    }
    playOmp(0);
}

bool Form1::playOmp(qsizetype firstNote)
{
    const QString omp = Text1->toPlainText();
    Playing playing{omp::NoteTimeline(omp), m_lines, 0, m_ompChanges};
    playing.offset = playing.timeline.note(firstNote).tick;
    // Closing the media first lets the file be written again; the current
    // text is converted, so a second press reloads the song from the start.
    m_services.player.setFileName(QString());
    Command1->setEnabled(false);
    const MidiResult written =
        MIDI_Exp(firstNote == 0 ? omp : playing.timeline.from(firstNote), temporaryFilePath(), toneIndex());
    Command1->setEnabled(true);
    if (!written.ok()) {
        showError(written.error, MessageTitle);
        return false;
    }
    m_services.player.setFileName(temporaryFilePath());
    m_services.player.setPlayCount(m_settings.LoopPlay == 1 ? 0 : 1);
    m_playing = std::move(playing);
    m_followTimer->start();
    followPlayback();
    return true;
}

void Form1::OMP_Stop()
{
    m_services.player.setFileName(QString());
    followPlayback();
}

void Form1::closeEvent(QCloseEvent *event)
{
    OMP_Stop();
    const MessageBoxes::Answer answer =
        m_services.messages.show(this, MessageBoxes::Icon::Information, MessageBoxes::Buttons::YesNo, MessageTitle,
                                 QStringLiteral("終了します。よろしいですか?"));
    // Neither is the editor's text lost unasked.
    if (answer != MessageBoxes::Answer::Yes || (m_form9 && !m_form9->maybeSave())) {
        event->ignore();
        return;
    }
    const IniWriteResult saved =
        m_services.settingsPath.isEmpty() ? SaveSettings(m_settings) : SaveSettings(m_settings, m_services.settingsPath);
    if (!saved.ok())
        showError(saved.error, MessageTitle);
    event->accept();
    m_services.system.endProcess();
}

Form3 *Form1::outputWindow() const
{
    return m_form3;
}

Form7 *Form1::settingsDialog() const
{
    return m_form7;
}

Form2 *Form1::aboutBox() const
{
    return m_form2;
}

void Form1::exportOmpList()
{
    if (!CD2.ShowSave(m_services.dialogs, this))
        return;
    if (!confirmOverwrite(CD2.FileName))
        return;
    if (Text2->text().isEmpty())
        Text2->setText(omplist::UntitledTitle);
    // Written whole or not at all, and a failure is reported rather than
    // passed over as a saved list.
    const QString error = omplist::write(CD2.FileName, Text2->text(), Text1->toPlainText());
    if (!error.isEmpty())
        showError(QStringLiteral("OMPリストを保存できませんでした。\r\n\r\n") + error, MessageTitle);
}

void Form1::convertToBasic(BasicMachine machine)
{
    showBasicResult(machine, generateBasicProgram(Text1->toPlainText(), machine));
}

void Form1::showBasicResult(BasicMachine machine, const BasicProgramResult &program)
{
    if (!program.ok()) {
        showError(program.error, MessageTitle);
        return;
    }
    // A window that was closed is gone (or about to be): a new one is loaded.
    if (!m_form3 || !m_form3->isVisible()) {
        m_form3 = new Form3(m_services.dialogs, m_services.messages);
        connect(m_form3, &Form3::sendRequested, this, [this](const QString &text) {
            SendRequest request;
            request.machine = m_form3Machine;
            request.programText = text;
            openSendWindow(request);
        });
    }
    m_form3Machine = machine;
    m_form3->showText(basic::resultCaption(machine), program.text, windowIcon());
}

void Form1::openSettings()
{
    // A dialog closed a moment ago may still wait for its deletion.
    if (m_form7 && m_form7->isVisible()) {
        m_form7->raise();
        return;
    }
    setEnabled(false);
    m_form7 = new Form7(m_settings, m_services.messages);
    connect(m_form7, &Form7::settingsChosen, this, &Form1::applySettings);
    connect(m_form7, &Form7::unloaded, this, [this] { setEnabled(true); });
    keepAbove(m_form7);
    m_form7->show();
}

Form8 *Form1::sendWindow() const
{
    return m_form8;
}

void Form1::sendToMachine()
{
    SendRequest request;
    request.omp = Text1->toPlainText();
    openSendWindow(request);
}

void Form1::openSendWindow(const SendRequest &request)
{
    // One send at a time: a window still sending is brought to the front.
    if (m_form8 && m_form8->isVisible()) {
        if (m_form8->isSending()) {
            m_form8->raise();
            m_form8->activateWindow();
            return;
        }
        m_form8->close();
    }
    m_form8 = new Form8(request, m_settings, m_services.messages);
    // Only the line's settings: the others may have changed in the settings
    // dialog meanwhile.
    connect(m_form8, &Form8::settingsChanged, this, [this](const AppSettings &s) {
        m_settings.BaudIndex = s.BaudIndex;
        m_settings.DataBitsIndex = s.DataBitsIndex;
        m_settings.StopBitsIndex = s.StopBitsIndex;
        m_settings.ParityIndex = s.ParityIndex;
        m_settings.FlowIndex = s.FlowIndex;
        m_settings.PortDevice = s.PortDevice;
        m_settings.CharDelay = s.CharDelay;
        m_settings.LineDelay = s.LineDelay;
    });
    m_form8->setWindowIcon(windowIcon());
    m_form8->show();
}

void Form1::showAbout()
{
    if (m_form2 && m_form2->isVisible()) {
        m_form2->raise();
        return;
    }
    setEnabled(false);
    m_form2 = new Form2(windowTitle(), m_services.browser, m_services.messages,
                        docs::documentationDirectory(m_services.system.programDirectory()));
    connect(m_form2, &Form2::unloaded, this, [this] { setEnabled(true); });
    keepAbove(m_form2);
    m_form2->show();
    m_services.messages.beep();
}

void Form1::applySettings(const AppSettings &settings)
{
    m_settings = settings;
    // The song's tone becomes the preferred one, changed or not.
    setToneIndex(m_settings.DefaultTone);
    if (m_form9)
        m_form9->setOmpLayout(separatorText(m_settings), separatorInterval(m_settings));
    setSongFile(m_songFile); // watched, or no longer
}

void Form1::keepAbove(QWidget *dialog)
{
    // Not a child widget, which the disabled main window would disable too;
    // only kept above it by the window manager.
    dialog->winId();
    if (QWindow *own = windowHandle())
        dialog->windowHandle()->setTransientParent(own);
}
