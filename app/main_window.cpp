#include "app/main_window.h"

#include "app/about_box.h"
#include "app/app_info.h"
#include "app/doc_pages.h"
#include "app/hmml_editor_window.h"
#include "app/output_window.h"
#include "app/overwrite_question.h"
#include "app/player_strip.h"
#include "app/send_window.h"
#include "app/settings_dialog.h"
#include "core/formats/midi_writer.h"
#include "core/formats/omp_list.h"
#include "core/io/save_file.h"
#include "core/song/song_file.h"
#include "core/song/tone_names.h"
#include "platform/desktop/message_boxes.h"
#include "platform/desktop/system_services.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
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

} // namespace

MainWindow::MainWindow(const MainWindowServices &services, QWidget *parent)
    : QMainWindow(parent),
      openSongDialog(QStringLiteral("CD1"), QStringLiteral("*.vtd (Vellotune Data) |*.vtd|*.* (All Files) |*.*")),
      ompListDialog(QStringLiteral("CD2"), QStringLiteral("*.txt (Text File) |*.txt")),
      openHmmlDialog(QStringLiteral("CD3"), QString()),
      notepadDialog(QStringLiteral("CD4"), QStringLiteral("*.hml(Orrin's Music Language)|*.hml")),
      saveSongDialog(QStringLiteral("CD5"), QStringLiteral("*.vtd (VLTN data file) |*.vtd|")),
      midiExportDialog(QStringLiteral("CD6"), QStringLiteral("*.mid(MIDI File)|*.mid")),
      openMidiDialog(QStringLiteral("CD7"), QStringLiteral("*.mid *.midi (MIDI File)|*.mid;*.midi|*.* (All Files)|*.*")),
      saveImportedHmmlDialog(QStringLiteral("CD8"), QStringLiteral("*.hml(Orrin's Music Language)|*.hml")),
      m_services(services),
      m_session(services.player, services.samplePlayer, m_settings)
{
    setObjectName(QStringLiteral("Form1"));
    buildControls();
    buildMenus();
    // The client area has the size it was designed with; the menu bar adds to it.
    adjustSize();
    setFixedSize(size());
    connect(&m_session, &SongSession::songChanged, this, &MainWindow::showSong);
    connect(&m_session, &SongSession::soundingNote, this, &MainWindow::showSoundingNote);
    connect(&m_session, &SongSession::errorReported, this,
            qOverload<const SessionMessage &>(&MainWindow::showError));
    connect(&m_session, &SongSession::importProgress, playerStrip, &PlayerStrip::setWorkProgress);
    connect(&m_session, &SongSession::importFinished, this, &MainWindow::showImportOutcome);
    connect(playerStrip, &PlayerStrip::cancelRequested, &m_session, &SongSession::cancelImport);
}

MainWindow::~MainWindow()
{
    // The other windows are top-level windows of their own: they go with
    // the main window.
    delete m_aboutBox;
    delete m_outputWindow;
    delete m_settingsDialog;
    delete m_sendWindow;
    delete m_editor;
}

OutputWindow *MainWindow::outputWindow() const
{
    return m_outputWindow;
}

SettingsDialog *MainWindow::settingsDialog() const
{
    return m_settingsDialog;
}

SendWindow *MainWindow::sendWindow() const
{
    return m_sendWindow;
}

AboutBox *MainWindow::aboutBox() const
{
    return m_aboutBox;
}

HmmlEditorWindow *MainWindow::editor() const
{
    return m_editor;
}

void MainWindow::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(8895), px(4545));
    setCentralWidget(client);

    playerStrip = new PlayerStrip(m_services.player, m_services.samplePlayer, client);
    playerStrip->setObjectName(QStringLiteral("MP1"));
    playerStrip->setGeometry(twipRect(120, 60, 5715, 675));

    playGroup = new QGroupBox(QStringLiteral("OMP"), client);
    playGroup->setObjectName(QStringLiteral("Frame1"));
    playGroup->setGeometry(twipRect(5880, 60, 2895, 915));
    playButton = new QPushButton(QStringLiteral("再生・リロード"), playGroup);
    playButton->setObjectName(QStringLiteral("Command1"));
    playButton->setGeometry(twipRect(120, 300, 1335, 495));
    stopButton = new QPushButton(QStringLiteral("停止"), playGroup);
    stopButton->setObjectName(QStringLiteral("Command2"));
    stopButton->setGeometry(twipRect(1440, 300, 1395, 495));

    hmmlGroup = new QGroupBox(QStringLiteral("H-MML2OMP"), client);
    hmmlGroup->setObjectName(QStringLiteral("Frame2"));
    hmmlGroup->setGeometry(twipRect(5880, 960, 2895, 1395));
    loadHmmlButton = new QPushButton(QStringLiteral("ファイル読み込み・変換"), client);
    loadHmmlButton->setObjectName(QStringLiteral("Command3"));
    loadHmmlButton->setGeometry(twipRect(6300, 1260, 2115, 495));
    notepadButton = new QPushButton(QStringLiteral("メモ帳で編集"), client);
    notepadButton->setObjectName(QStringLiteral("Command4"));
    notepadButton->setGeometry(twipRect(6300, 1740, 2115, 495));

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
    label(titleLabel, "Label2", QStringLiteral("タイトル"), 420, 900);
    line(titleEdit, "Text2", 1200, 840, 4575, 315);
    label(copyrightLabel, "Label3", QStringLiteral("著作権"), 480, 1260);
    line(copyrightEdit, "Text3", 1200, 1200, 4575, 315);
    label(authorLabel, "Label4", QStringLiteral("データ作者"), 120, 1620);
    line(authorEdit, "Text4", 1200, 1560, 4575, 315);
    label(toneLabel, "Label1", QStringLiteral("音色"), 660, 1920);

    toneCombo = new QComboBox(client);
    toneCombo->setObjectName(QStringLiteral("Combo1"));
    toneCombo->setEditable(true);
    toneCombo->setInsertPolicy(QComboBox::NoInsert);
    toneCombo->addItems(toneNames());
    toneCombo->setCurrentIndex(-1);
    toneCombo->move(px(1200), px(1920));
    toneCombo->resize(px(2895), toneCombo->sizeHint().height());

    ompGroup = new QGroupBox(QStringLiteral("OMPデータ"), client);
    ompGroup->setObjectName(QStringLiteral("Frame3"));
    ompGroup->setGeometry(twipRect(120, 2280, 8655, 2175));
    ompEdit = new OmpTextEdit(ompGroup);
    ompEdit->setObjectName(QStringLiteral("Text1"));
    ompEdit->setGeometry(twipRect(60, 240, 8535, 1875));
    ompEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto rule = [client](QFrame *&f, const char *name, const QRect &r) {
        f = new QFrame(client);
        f->setObjectName(QLatin1String(name));
        f->setFrameShape(QFrame::HLine);
        f->setFrameShadow(QFrame::Sunken);
        f->setGeometry(r);
    };
    rule(playerRule, "Line1", twipRect(120, 780, 5715, 30));
    rule(fieldsRule, "Line2", twipRect(120, 2220, 5715, 30));

    // What the user types is the song's.
    connect(ompEdit, &OmpTextEdit::ompEdited, &m_session, &SongSession::setOmp);
    const auto typed = [this](QLineEdit *edit, void (SongSession::*set)(const QString &)) {
        connect(edit, &QLineEdit::textChanged, this, [this, set](const QString &text) {
            if (!m_showingSong)
                (m_session.*set)(text);
        });
    };
    typed(titleEdit, &SongSession::setTitle);
    typed(copyrightEdit, &SongSession::setCopyright);
    typed(authorEdit, &SongSession::setAuthor);
    const auto toneTyped = [this] {
        if (!m_showingSong)
            m_session.setTone(toneIndex());
    };
    connect(toneCombo, &QComboBox::currentIndexChanged, this, toneTyped);
    connect(toneCombo, &QComboBox::editTextChanged, this, toneTyped);

    connect(playButton, &QPushButton::clicked, this, &MainWindow::play);
    connect(stopButton, &QPushButton::clicked, this, &MainWindow::stop);
    connect(loadHmmlButton, &QPushButton::clicked, this, &MainWindow::loadHmmlFile);
    connect(notepadButton, &QPushButton::clicked, this, &MainWindow::editInNotepad);
}

void MainWindow::buildMenus()
{
    auto item = [](QMenu *menu, QAction *&action, const char *name, const QString &caption) {
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
    auto topMenu = [this](QMenu *&menu, const char *name, const QString &caption) {
        menu = menuBar()->addMenu(caption);
        menu->setObjectName(QString::fromUtf8(name));
    };

    topMenu(fileMenu, "ファイル", QStringLiteral("ファイル(&F)"));
    item(fileMenu, openSongAction, "OMPファイルを開く", QStringLiteral("VTDファイルを開く(&P)"));
    item(fileMenu, openHmmlAction, "MMLファイルを開く", QStringLiteral("HMLファイルを開く(&H)"));
    item(fileMenu, openMidiAction, "MIDIファイルを開く", QStringLiteral("MIDIファイルを開く"));
    item(fileMenu, editorAction, "HMMLエディタ", QStringLiteral("H-MMLエディタ(&D)..."));
    item(fileMenu, saveSongAction, "VTDファイルの保存", QStringLiteral("VTDファイルの保存(&S)"));
    separator(fileMenu, exportSeparator, "仕切り4");
    submenu(fileMenu, exportMenu, "Export", QStringLiteral("エクスポート(&E)"));
    item(exportMenu, exportOmpListAction, "名前を付けて保存", QStringLiteral("OMPリスト(&O)"));
    item(exportMenu, exportMidiAction, "MIDI_EXPORT", QStringLiteral("MIDIシーケンスデータ(*.mid)(&M)"));
    submenu(fileMenu, basicMenu, "BASIC_convert", QStringLiteral("BASIC(&B)"));
    item(basicMenu, g800BasicAction, "G800BASIC変換", QStringLiteral("OMP→G800BASIC変換(&G)"));
    item(basicMenu, e500BasicAction, "E500BASIC変換", QStringLiteral("OMP→E500BASIC変換(&E)"));
    item(fileMenu, sendAction, "ポケコンへ送信", QStringLiteral("ポケコンへ送信(&T)..."));
    separator(fileMenu, closeSeparator, "仕切り1");
    item(fileMenu, closeAction, "閉じる", QStringLiteral("閉じる(&X)"));

    topMenu(settingsMenu, "Setting", QStringLiteral("設定(&S)"));
    item(settingsMenu, settingsAction, "各種設定", QStringLiteral("各種設定(&S)"));

    topMenu(helpMenu, "ヘルプ", QStringLiteral("ヘルプ(&H)"));
    item(helpMenu, showHelpAction, "ヘルプの表示", QStringLiteral("ヘルプの表示(&H)"));
    showHelpAction->setEnabled(false);
    separator(helpMenu, aboutSeparator, "仕切り3");
    item(helpMenu, aboutAction, "バージョン情報", QStringLiteral("このソフトについて(&A)"));

    connect(openSongAction, &QAction::triggered, this, &MainWindow::openSong);
    connect(openHmmlAction, &QAction::triggered, this, &MainWindow::loadHmmlFile);
    connect(openMidiAction, &QAction::triggered, this, &MainWindow::openMidiFile);
    connect(editorAction, &QAction::triggered, this, &MainWindow::openEditor);
    connect(saveSongAction, &QAction::triggered, this, &MainWindow::saveSong);
    connect(exportMidiAction, &QAction::triggered, this, &MainWindow::exportMidi);
    connect(exportOmpListAction, &QAction::triggered, this, &MainWindow::exportOmpList);
    connect(e500BasicAction, &QAction::triggered, this, [this] { convertToBasic(Machine::E500); });
    connect(g800BasicAction, &QAction::triggered, this, [this] { convertToBasic(Machine::G800); });
    connect(settingsAction, &QAction::triggered, this, &MainWindow::openSettings);
    connect(sendAction, &QAction::triggered, this, &MainWindow::sendToMachine);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
}

int MainWindow::toneIndex() const
{
    const int index = toneCombo->currentIndex();
    // A text typed into the box selects no entry.
    if (index < 0 || toneCombo->currentText() != toneCombo->itemText(index))
        return -1;
    return index;
}

void MainWindow::setToneIndex(int index)
{
    toneCombo->setCurrentIndex(index);
    if (index < 0)
        toneCombo->setEditText(QString());
}

void MainWindow::showSong(SongSession::Fields fields)
{
    const Song song = m_session.song();
    m_showingSong = true;
    if (fields & SongSession::Field::Omp)
        ompEdit->showOmp(song.omp);
    if (fields & SongSession::Field::Title)
        titleEdit->setText(song.title);
    if (fields & SongSession::Field::Copyright)
        copyrightEdit->setText(song.copyright);
    if (fields & SongSession::Field::Author)
        authorEdit->setText(song.author);
    if (fields & SongSession::Field::Tone)
        setToneIndex(song.tone);
    m_showingSong = false;
    // The list cannot show every tone (one outside it, or one typed): the
    // song has the tone the list shows.
    if (fields & SongSession::Field::Tone)
        m_session.setTone(toneIndex());
}

void MainWindow::showSoundingNote(int, qsizetype start, qsizetype end)
{
    if (start >= 0)
        ompEdit->selectData(start, end);
}

void MainWindow::showError(const SessionMessage &message)
{
    m_services.messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, message.title, message.text);
}

void MainWindow::showError(const QString &text)
{
    showError(SessionMessage{text, MessageTitle});
}

bool MainWindow::confirmOverwrite(const QString &path)
{
    return ::confirmOverwrite(m_services.messages, this, path);
}

bool MainWindow::startUp(const QStringList &arguments)
{
    m_session.setTemporaryDirectory(m_services.system.temporaryDirectory());
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
        showError(settingsError);

    QString commandLine = arguments.join(u' ');
    if (commandLine.isEmpty())
        return true;
    if (commandLine.startsWith(u'"'))
        commandLine = commandLine.mid(1, commandLine.size() - 2); // the quotes stripped
    const QString path = QFileInfo(commandLine).isRelative() ? QDir::current().absoluteFilePath(commandLine)
                                                             : commandLine;
    // A song file by its own extension, in any case: a ".vtd" elsewhere in
    // the path (a folder named songs.vtd.d) says nothing about the file.
    const bool songFile = QFileInfo(path).suffix().compare(QLatin1String("vtd"), Qt::CaseInsensitive) == 0;
    const SessionMessage error = songFile ? m_session.openSongFile(path) : m_session.openHmmlFile(path);
    if (error.hasMessage())
        showError(error);
    return true;
}

bool MainWindow::refuseWhileImporting()
{
    if (!m_session.isImporting())
        return false;
    m_services.messages.show(this, MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok, MessageTitle,
                             QStringLiteral("MIDIファイルの読み込み中です。読み込みが終わってから、または「キャンセル」で"
                                            "取り消してから、もう一度選んでください。"));
    return true;
}

void MainWindow::showImporting(bool importing)
{
    // The import brings all of the song: nothing is typed into it meanwhile.
    if (importing)
        playerStrip->showWork(QStringLiteral("MIDI読み込み中"));
    else
        playerStrip->endWork();
    ompEdit->setReadOnly(importing);
    for (QLineEdit *edit : {titleEdit, copyrightEdit, authorEdit})
        edit->setReadOnly(importing);
    toneCombo->setEnabled(!importing);
}

void MainWindow::loadHmmlFile()
{
    if (refuseWhileImporting())
        return;
    openHmmlDialog.filter = QStringLiteral("*.hml *.hmml *.mml (Orrin's Music Language) | *.hml;*.hmml;*.mml|"
                                           "*.txt(Text File)|*.txt|*.* (All Files)|*.*");
    if (!openHmmlDialog.showOpen(m_services.dialogs, this))
        return;
    notepadDialog.fileName = openHmmlDialog.fileName;
    if (const SessionMessage error = m_session.openHmmlFile(openHmmlDialog.fileName); error.hasMessage())
        showError(error);
}

void MainWindow::openMidiFile()
{
    if (refuseWhileImporting() || !openMidiDialog.showOpen(m_services.dialogs, this))
        return;
    // Read and compiled on another thread; the window goes on meanwhile.
    showImporting(true);
    m_session.startImport(openMidiDialog.fileName);
}

void MainWindow::showImportOutcome(const SongSession::ImportOutcome &outcome)
{
    showImporting(false);
    if (outcome.cancelled)
        return;
    if (!outcome.imported.ok()) {
        showError(QStringLiteral("MIDIファイルを読み込めませんでした。\r\n\r\n") + outcome.imported.error);
        return;
    }
    if (outcome.compileError.hasMessage()) {
        showError(outcome.compileError);
        return;
    }
    // The user keeps the song's text as a file of its own, or not.
    QString report = outcome.imported.report;
    report.replace(u'\n', QStringLiteral("\r\n"));
    const MessageBoxes::Answer save = m_services.messages.show(
        this, MessageBoxes::Icon::Information, MessageBoxes::Buttons::YesNo, MessageTitle,
        report + QStringLiteral("\r\nこの曲を H-MML ファイルに保存しますか?"));
    if (save == MessageBoxes::Answer::Yes)
        saveImportedHmml(outcome.path, outcome.imported.hmml);
}

void MainWindow::saveImportedHmml(const QString &midiPath, const QString &hmml)
{
    const QFileInfo midi(midiPath);
    saveImportedHmmlDialog.fileName = midi.dir().filePath(midi.completeBaseName() + QStringLiteral(".hml"));
    if (!saveImportedHmmlDialog.showSave(m_services.dialogs, this) || !confirmOverwrite(saveImportedHmmlDialog.fileName))
        return;
    QString error;
    const QByteArray bytes = importer::encodeHmml(hmml, false, error);
    if (error.isEmpty())
        error = SaveFile::writeAll(saveImportedHmmlDialog.fileName, bytes);
    if (!error.isEmpty()) {
        showError(error);
        return;
    }
    // The saved file is the song's H-MML file from now on, as if opened.
    openHmmlDialog.fileName = saveImportedHmmlDialog.fileName;
    notepadDialog.fileName = saveImportedHmmlDialog.fileName;
    m_session.setSongFile(saveImportedHmmlDialog.fileName);
}

void MainWindow::editInNotepad()
{
    if (refuseWhileImporting() || !notepadDialog.showOpen(m_services.dialogs, this))
        return;
    openHmmlDialog.fileName = notepadDialog.fileName;
    // What the editor saves is read again (while that setting is on).
    m_session.setSongFile(notepadDialog.fileName);
    // The command does not wait for the editor, and an editor that does not
    // start ends it quietly.
    m_services.system.startEditor(notepadDialog.fileName);
}

void MainWindow::openSong()
{
    if (refuseWhileImporting())
        return;
    stop();
    if (!openSongDialog.showOpen(m_services.dialogs, this))
        return;
    if (const SessionMessage error = m_session.openSongFile(openSongDialog.fileName); error.hasMessage())
        showError(error);
}

void MainWindow::saveSong()
{
    if (!saveSongDialog.showSave(m_services.dialogs, this) || !confirmOverwrite(saveSongDialog.fileName))
        return;
    const IniWriteResult saved = SaveSong(saveSongDialog.fileName, m_session.song());
    if (!saved.ok())
        showError(saved.error);
}

void MainWindow::exportMidi()
{
    if (m_session.omp().isEmpty()) {
        showError({QStringLiteral("OMPデータがロードされていません\r\nOMPデータをロードするか、MMLファイルをロードしてください"),
                   QStringLiteral("ERROR-") + MessageTitle});
        return;
    }
    if (!midiExportDialog.showSave(m_services.dialogs, this) || !confirmOverwrite(midiExportDialog.fileName))
        return;
    const MidiResult written = MIDI_Exp(m_session.omp(), midiExportDialog.fileName, m_session.tone());
    if (!written.ok())
        showError(written.error);
}

void MainWindow::play()
{
    // The play button is greyed while the song is written for the player.
    playButton->setEnabled(false);
    const SessionMessage error = m_session.play();
    playButton->setEnabled(true);
    if (error.hasMessage())
        showError(error);
}

void MainWindow::stop()
{
    m_session.stop();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    stop();
    const MessageBoxes::Answer answer =
        m_services.messages.show(this, MessageBoxes::Icon::Information, MessageBoxes::Buttons::YesNo, MessageTitle,
                                 QStringLiteral("終了します。よろしいですか?"));
    // Neither is the editor's text lost unasked.
    if (answer != MessageBoxes::Answer::Yes || (m_editor && !m_editor->maybeSave())) {
        event->ignore();
        return;
    }
    m_session.cancelImport();
    const IniWriteResult saved =
        m_services.settingsPath.isEmpty() ? SaveSettings(m_settings) : SaveSettings(m_settings, m_services.settingsPath);
    if (!saved.ok())
        showError(saved.error);
    event->accept();
    m_services.system.endProcess();
}

void MainWindow::exportOmpList()
{
    if (!ompListDialog.showSave(m_services.dialogs, this) || !confirmOverwrite(ompListDialog.fileName))
        return;
    m_session.nameIfUntitled(omplist::UntitledTitle);
    // Written whole or not at all, and a failure is reported rather than
    // passed over as a saved list.
    const QString error = omplist::write(ompListDialog.fileName, m_session.song().title, m_session.omp());
    if (!error.isEmpty())
        showError(QStringLiteral("OMPリストを保存できませんでした。\r\n\r\n") + error);
}

void MainWindow::convertToBasic(Machine machine)
{
    showBasicResult(machine, generateBasicProgram(m_session.omp(), machine));
}

void MainWindow::showBasicResult(Machine machine, const BasicProgramResult &program)
{
    if (!program.ok()) {
        showError(program.error);
        return;
    }
    // A window that was closed is gone (or about to be): a new one is loaded.
    if (!m_outputWindow || !m_outputWindow->isVisible()) {
        m_outputWindow = new OutputWindow(m_services.dialogs, m_services.messages);
        connect(m_outputWindow, &OutputWindow::sendRequested, this, [this](const QString &text) {
            transfer::SendRequest request;
            request.machine = m_outputMachine;
            request.programText = text;
            openSendWindow(request);
        });
    }
    m_outputMachine = machine;
    m_outputWindow->showText(basic::resultCaption(machine), program.text, windowIcon());
}

void MainWindow::openSettings()
{
    // The settings lay out the song's data: not while an import brings one.
    if (refuseWhileImporting())
        return;
    // A dialog closed a moment ago may still wait for its deletion.
    if (m_settingsDialog && m_settingsDialog->isVisible()) {
        m_settingsDialog->raise();
        return;
    }
    setEnabled(false);
    m_settingsDialog = new SettingsDialog(m_settings, m_services.messages);
    connect(m_settingsDialog, &SettingsDialog::settingsChosen, this, &MainWindow::applySettings);
    connect(m_settingsDialog, &SettingsDialog::unloaded, this, [this] { setEnabled(true); });
    keepAbove(m_settingsDialog);
    m_settingsDialog->show();
}

void MainWindow::applySettings(const AppSettings &settings)
{
    m_settings = settings;
    m_session.settingsChanged();
}

void MainWindow::sendToMachine()
{
    transfer::SendRequest request;
    request.omp = m_session.omp();
    openSendWindow(request);
}

void MainWindow::openSendWindow(const transfer::SendRequest &request)
{
    // One send at a time: a window still sending is brought to the front.
    if (m_sendWindow && m_sendWindow->isVisible()) {
        if (m_sendWindow->isSending()) {
            m_sendWindow->raise();
            m_sendWindow->activateWindow();
            return;
        }
        m_sendWindow->close();
    }
    m_sendWindow = new SendWindow(request, m_settings, m_services.messages);
    // Only the serial settings: the others may have changed in the settings
    // dialog meanwhile.
    connect(m_sendWindow, &SendWindow::serialSettingsChanged, this,
            [this](const SerialSettings &s) { static_cast<SerialSettings &>(m_settings) = s; });
    m_sendWindow->setWindowIcon(windowIcon());
    m_sendWindow->show();
}

void MainWindow::showAbout()
{
    if (m_aboutBox && m_aboutBox->isVisible()) {
        m_aboutBox->raise();
        return;
    }
    setEnabled(false);
    m_aboutBox = new AboutBox(windowTitle(), m_services.browser, m_services.messages,
                              docs::documentationDirectory(m_services.system.programDirectory()));
    connect(m_aboutBox, &AboutBox::unloaded, this, [this] { setEnabled(true); });
    keepAbove(m_aboutBox);
    m_aboutBox->show();
    m_services.messages.beep();
}

void MainWindow::openEditor()
{
    if (m_editor) {
        m_editor->show();
        m_editor->raise();
        m_editor->activateWindow();
        return;
    }
    m_editor = new HmmlEditorWindow(m_services.dialogs, m_services.messages, m_session);
    m_editor->setWindowIcon(windowIcon());
    connect(m_editor, &HmmlEditorWindow::fileOpened, this, [this](const QString &path) {
        openHmmlDialog.fileName = path;
        notepadDialog.fileName = path;
    });
    // The song's own H-MML: its file, or the text it was compiled from.
    if (QFileInfo(m_session.songFile()).isFile())
        m_editor->openFile(m_session.songFile());
    else if (m_session.isFromHmml())
        m_editor->newDocument(m_session.hmmlSource(), true);
    m_editor->show();
}

void MainWindow::keepAbove(QWidget *dialog)
{
    // Not a child widget, which the disabled main window would disable too;
    // only kept above it by the window manager.
    dialog->winId();
    if (QWindow *own = windowHandle())
        dialog->windowHandle()->setTransientParent(own);
}
