#include "Form1.h"

#include "CaptionedProgressBar.h"
#include "RowToolTips.h"
#include "StatusLine.h"
#include "WindowLook.h"
#include "core/app/AppTitle.h"
#include "core/app/ErrorTrap.h"
#include "core/app/EventPump.h"
#include "core/app/PathTools.h"
#include "core/app/Prompts.h"
#include "core/app/SettingsStore.h"
#include "core/filelist/FileListModel.h"
#include "core/guide/SampleSnapshot.h"
#include "core/results/ResultsModel.h"
#include "gui/extract/Form2.h"
#include "gui/extract/Form3.h"
#include "gui/guide/FileListReorder.h"
#include "gui/guide/PointerCues.h"
#include "gui/viewer/Form4.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

#include <limits>

namespace {

const QString FileListTip = QStringLiteral("Drag and drop files here. Double-click item to remove it. Move | line to "
                                           "right and out of window to reveal full names.");
const QString ResultsTip
    = QStringLiteral("Double-click item to remove it. Move | line to right and out of window to reveal full names.");
const QString PatternsTip = QStringLiteral(
    "Take the texts to search for as regular expressions (ignoring case), in every extraction. Example: every "
    "sender's address, once each: type ^From:.*?([a-z0-9._%+-]+@[a-z0-9.-]+\\.[a-z]+) in \"Extract All Lines "
    "Containing This Text:\" and tick this, \"Extract only the matching text\" and \"Remove duplicate results\" "
    "(and \"Count duplicates\" for how many messages each sent).");
const QString OnlyMatchingTip = QStringLiteral(
    "Containing and the text sets give each piece of a line that matches, instead of the whole line; a pattern with "
    "groups in parentheses gives one column per group. Example: with ^From:.*?([a-z0-9._%+-]+@[a-z0-9.-]+\\.[a-z]+) "
    "in \"Extract All Lines Containing This Text:\", \"Texts are regular expressions\" and \"Remove duplicate "
    "results\" ticked, every sender's address once.");
const QString CountTip = QStringLiteral("With \"Remove duplicate results\" ticked, add a Count column: how many "
                                        "times each result was found.");
const QString HeaderFieldsTip
    = QStringLiteral("One row per message with the named header fields, decoded, for example: From, Date, Subject");
const QString DecodedTip = QStringLiteral(
    "Every extraction reads each message as a mail program shows it: encoded headers and bodies decoded, text "
    "converted from its character set, HTML as plain text and attachments as one line each, instead of the "
    "file's raw bytes.");

// A report-style list: a header with resizable columns, whole rows selected,
// one fixed row height. A table view keeps no per-row layout state, so lists
// of millions of rows grow and scroll at a constant cost per batch.
QTableView *makeReportList(QWidget *parent, const QString &name, const QString &tip, RowToolTips::PathColumn paths)
{
    auto *view = new QTableView(parent);
    view->setObjectName(name);
    view->setToolTip(tip);
    view->setItemDelegate(new RowToolTips(paths, view));
    // The last column takes the rest of the width as the window grows.
    view->horizontalHeader()->setStretchLastSection(true);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setSectionsMovable(false);
    QFont font = view->font();
    font.setBold(true);
    view->setFont(font);
    return view;
}

bool isListOfLocalFiles(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().isEmpty())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::all_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); });
}

} // namespace

Form1::Form1(const AppEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , m_environment(environment)
{
    setObjectName(QStringLiteral("Form1"));
    m_fileList = new FileListModel(this);
    m_results = new ResultsModel(this);
    buildControls();
    connectHandlers();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    QFont buttonFont = font();
    buttonFont.setBold(true);

    auto button = [&](const QString &name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setFont(buttonFont);
        b->setAutoDefault(false);
        return b;
    };
    auto textBox = [&](const QString &name) {
        auto *t = new QLineEdit(this);
        t->setObjectName(name);
        // Texts of any length (the default cuts them at 32,767 characters).
        t->setMaxLength(std::numeric_limits<int>::max());
        return t;
    };

    // Left column: the file list and every way of filling and using it.
    m_listView1 = makeReportList(this, QStringLiteral("ListView1"), FileListTip, RowToolTips::PathColumn::First);
    m_listView1->setModel(m_fileList);
    m_listView1->viewport()->setAcceptDrops(true);
    m_listView1->setDragDropMode(QAbstractItemView::DropOnly);

    auto *left = new QGridLayout;
    left->setSpacing(6);
    left->addWidget(m_listView1, 0, 0, 1, 6);
    left->setRowStretch(0, 1);
    int row = 1;
    auto pair = [&](QPushButton *a, QPushButton *b) {
        left->addWidget(a, row, 0, 1, 3);
        left->addWidget(b, row, 3, 1, 3);
        ++row;
    };
    pair(button(QStringLiteral("PushButton1"), QStringLiteral("Add EML Files")),
        button(QStringLiteral("PushButton5"), QStringLiteral("Add All EML Files In Folder")));
    pair(button(QStringLiteral("PushButton21"), QStringLiteral("Load List Of Files From Text File")),
        button(QStringLiteral("PushButton14"), QStringLiteral("Clear List")));
    pair(button(QStringLiteral("PushButton3"), QStringLiteral("Remove Filenames Containing X")),
        button(QStringLiteral("PushButton11"), QStringLiteral("Remove Filenames Not Cont. X")));
    pair(button(QStringLiteral("PushButton22"), QStringLiteral("Help")),
        button(QStringLiteral("PushButton23"), QStringLiteral("Load Sample/Example Files")));
    left->addWidget(button(QStringLiteral("PushButton13"), QStringLiteral("Extract All Lines")), row++, 0, 1, 6);

    m_text1 = textBox(QStringLiteral("Text1"));
    m_text2 = textBox(QStringLiteral("Text2"));
    m_text5 = textBox(QStringLiteral("Text5"));
    left->addWidget(
        button(QStringLiteral("PushButton2"), QStringLiteral("Extract All Lines Containing This Text:")), row, 0, 1, 4);
    left->addWidget(m_text1, row++, 4, 1, 2);
    left->addWidget(button(QStringLiteral("PushButton8"), QStringLiteral("Extract All Lines Not Contain. This Text:")),
        row, 0, 1, 4);
    left->addWidget(m_text2, row++, 4, 1, 2);
    left->addWidget(button(QStringLiteral("PushButton10"), QStringLiteral("Help >")), row, 0, 1, 1);
    left->addWidget(button(QStringLiteral("PushButton7"), QStringLiteral("Extract Lines By Number:")), row, 1, 1, 3);
    left->addWidget(m_text5, row++, 4, 1, 2);
    left->addWidget(button(QStringLiteral("PushButton16"), QStringLiteral("Help >")), row, 0, 1, 1);
    left->addWidget(
        button(QStringLiteral("PushButton4"), QStringLiteral("Extract Between X and Y (Repeatedly)")), row++, 1, 1, 5);
    left->addWidget(button(QStringLiteral("PushButton17"), QStringLiteral("Help >")), row, 0, 1, 1);
    left->addWidget(button(QStringLiteral("PushButton15"), QStringLiteral("Extract Lines Containing These Text Sets")),
        row++, 1, 1, 5);
    m_text6 = textBox(QStringLiteral("Text6"));
    m_text6->setToolTip(HeaderFieldsTip);
    m_text6->setPlaceholderText(QStringLiteral("From, Date, Subject"));
    left->addWidget(button(QStringLiteral("PushButton25"), QStringLiteral("Extract Header Fields:")), row, 0, 1, 4);
    left->addWidget(m_text6, row++, 4, 1, 2);
    for (int c = 0; c < 6; ++c)
        left->setColumnStretch(c, 1);

    // Right column: the options, the results and everything that uses them.
    m_frame2 = new QGroupBox(QStringLiteral("Extraction Options"), this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_check14 = new QCheckBox(QStringLiteral("Show source filename next to extracted text"), m_frame2);
    m_check14->setObjectName(QStringLiteral("Check14"));
    m_check1 = new QCheckBox(QStringLiteral("Remove duplicate results"), m_frame2);
    m_check1->setObjectName(QStringLiteral("Check1"));
    auto *frameLayout = new QVBoxLayout(m_frame2);
    frameLayout->addWidget(m_check14);
    frameLayout->addWidget(m_check1);
    m_check15 = new QCheckBox(QStringLiteral("Texts are regular expressions"), m_frame2);
    m_check15->setObjectName(QStringLiteral("Check15"));
    m_check15->setToolTip(PatternsTip);
    m_check16 = new QCheckBox(QStringLiteral("Extract only the matching text"), m_frame2);
    m_check16->setObjectName(QStringLiteral("Check16"));
    m_check16->setToolTip(OnlyMatchingTip);
    frameLayout->addWidget(m_check15);
    frameLayout->addWidget(m_check16);
    m_check17 = new QCheckBox(QStringLiteral("Read messages decoded"), m_frame2);
    m_check17->setObjectName(QStringLiteral("Check17"));
    m_check17->setToolTip(DecodedTip);
    frameLayout->addWidget(m_check17);
    m_check18 = new QCheckBox(QStringLiteral("Count duplicates"), m_frame2);
    m_check18->setObjectName(QStringLiteral("Check18"));
    m_check18->setToolTip(CountTip);
    frameLayout->addWidget(m_check18);

    m_listView2 = makeReportList(this, QStringLiteral("ListView2"), ResultsTip, RowToolTips::PathColumn::FirstOfTwo);
    m_listView2->setModel(m_results);

    m_progressBar = new CaptionedProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setCaption(QStringLiteral("Progress Bar"));
    // Shown beside the progress bar only while a long command runs.
    m_stopButton = button(QStringLiteral("PushButton24"), QStringLiteral("Stop"));
    m_stopButton->setToolTip(QStringLiteral("Stop the running command (Esc)"));
    m_stopButton->hide();
    auto *progressRow = new QHBoxLayout;
    progressRow->setSpacing(6);
    progressRow->addWidget(m_progressBar, 1);
    progressRow->addWidget(m_stopButton);

    auto *right = new QGridLayout;
    right->setSpacing(6);
    right->addWidget(m_frame2, 0, 0, 1, 2);
    m_text7 = new QLineEdit(this);
    m_text7->setObjectName(QStringLiteral("Text7"));
    m_text7->setPlaceholderText(QStringLiteral("Filter results"));
    m_text7->setClearButtonEnabled(true);
    auto *resultsBox = new QVBoxLayout;
    resultsBox->setSpacing(4);
    resultsBox->addWidget(m_text7);
    resultsBox->addWidget(m_listView2, 1);
    right->addLayout(resultsBox, 1, 0, 1, 2);
    right->setRowStretch(1, 1);
    // The three saves share a row, so that the rows line up with the left
    // column's as they always have.
    auto *saves = new QHBoxLayout;
    saves->setSpacing(6);
    saves->addWidget(button(QStringLiteral("PushButton6"), QStringLiteral("Save Results As Text File")), 3);
    saves->addWidget(button(QStringLiteral("PushButton12"), QStringLiteral("Save Results As Excel File")), 3);
    saves->addWidget(button(QStringLiteral("PushButton26"), QStringLiteral("Save Results As CSV File")), 3);
    right->addLayout(saves, 2, 0, 1, 2);
    right->addWidget(button(QStringLiteral("PushButton18"), QStringLiteral("Copy Results To Clipboard")), 3, 0);
    right->addWidget(button(QStringLiteral("PushButton9"), QStringLiteral("Clear List")), 3, 1);
    right->addWidget(button(QStringLiteral("PushButton19"), QStringLiteral("Remove Results Containing X")), 4, 0);
    right->addWidget(button(QStringLiteral("PushButton20"), QStringLiteral("Remove Results Not Containing X")), 4, 1);
    right->addLayout(progressRow, 5, 0, 1, 2);
    right->setColumnStretch(0, 1);
    right->setColumnStretch(1, 1);

    auto *columns = new QHBoxLayout;
    columns->setSpacing(8);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    m_statusLine = new StatusLine(this);
    // Everything but the status line lies in a scroll area: on a screen too
    // small for the whole window it can still be reached; on any other the
    // area shows it all and no scroll bar appears.
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("Content"));
    content->setLayout(columns);
    columns->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ContentScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto *whole = new QVBoxLayout(this);
    whole->setContentsMargins(8, 8, 8, 4);
    whole->setSpacing(4);
    whole->addWidget(scroll, 1);
    whole->addWidget(m_statusLine);

    // Equal heights keep the rows of both columns level with each other.
    const QList<QPushButton *> buttons = findChildren<QPushButton *>();
    for (QPushButton *b : buttons)
        b->setMinimumHeight(27);
    for (QLineEdit *t : { m_text1, m_text2, m_text5, m_text6 })
        t->setMinimumHeight(27);
    m_progressBar->setMinimumHeight(27);

    resize(1064, 560);
}

void Form1::connectHandlers()
{
    struct Binding
    {
        const char *name;
        void (Form1::*handler)();
    };
    const Binding bindings[] = {
        { "PushButton1", &Form1::PushButton1_Click },
        { "PushButton21", &Form1::PushButton21_Click },
        { "PushButton5", &Form1::PushButton5_Click },
        { "PushButton14", &Form1::PushButton14_Click },
        { "PushButton3", &Form1::PushButton3_Click },
        { "PushButton11", &Form1::PushButton11_Click },
        { "PushButton13", &Form1::PushButton13_Click },
        { "PushButton2", &Form1::PushButton2_Click },
        { "PushButton8", &Form1::PushButton8_Click },
        { "PushButton7", &Form1::PushButton7_Click },
        { "PushButton4", &Form1::PushButton4_Click },
        { "PushButton15", &Form1::PushButton15_Click },
        { "PushButton6", &Form1::PushButton6_Click },
        { "PushButton12", &Form1::PushButton12_Click },
        { "PushButton26", &Form1::PushButton26_Click },
        { "PushButton18", &Form1::PushButton18_Click },
        { "PushButton9", &Form1::PushButton9_Click },
        { "PushButton19", &Form1::PushButton19_Click },
        { "PushButton20", &Form1::PushButton20_Click },
        { "PushButton22", &Form1::PushButton22_Click },
        { "PushButton10", &Form1::PushButton10_Click },
        { "PushButton16", &Form1::PushButton16_Click },
        { "PushButton17", &Form1::PushButton17_Click },
        { "PushButton23", &Form1::PushButton23_Click },
        { "PushButton25", &Form1::PushButton25_Click },
    };
    for (const Binding &binding : bindings) {
        auto *b = findChild<QPushButton *>(QString::fromLatin1(binding.name));
        Q_ASSERT(b);
        connect(b, &QPushButton::clicked, this, binding.handler);
    }
    connect(m_check1, &QCheckBox::toggled, this, &Form1::Check1_Click);
    connect(m_check14, &QCheckBox::toggled, this, &Form1::Check14_Click);
    connect(m_check15, &QCheckBox::toggled, this, &Form1::Check15_Click);
    connect(m_check16, &QCheckBox::toggled, this, &Form1::Check16_Click);
    connect(m_check17, &QCheckBox::toggled, this, &Form1::Check17_Click);
    connect(m_check18, &QCheckBox::toggled, this, &Form1::Check18_Click);
    connect(m_text6, &QLineEdit::textChanged, this, &Form1::Text6_Change);
    connect(m_text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(m_text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(m_text5, &QLineEdit::textChanged, this, &Form1::Text5_Change);

    m_listView1->installEventFilter(this);
    m_listView1->viewport()->installEventFilter(this);
    m_listView2->viewport()->installEventFilter(this);
    m_listView2->installEventFilter(this);

    connect(m_stopButton, &QPushButton::clicked, this, &Form1::requestStop);
    // The status line always shows how many files are listed.
    const auto showListed = [this] { m_statusLine->setListedFiles(m_fileList->size()); };
    connect(m_fileList, &QAbstractItemModel::rowsInserted, this, showListed);
    connect(m_fileList, &QAbstractItemModel::rowsRemoved, this, showListed);
    connect(m_fileList, &QAbstractItemModel::modelReset, this, showListed);
    installKeyboard();
    installResultsMenu();
    installResultsView();
}

void Form1::Form_Load()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.Form_Load"));
    trap.step(100, [&] {
        ::ApplySkin(
            this, PathTools::join(PathTools::join(programFolder(), QStringLiteral("x")), QStringLiteral("o.cjs")));
    });
    trap.step(102, [&] { AppClosing = false; });
    trap.step(104, [&] {
        if (const std::optional<QCursor> hand = loadHandPointer(programFolder())) {
            m_handPointer = *hand;
            m_hasHandPointer = true;
        }
    });
    // The sample snapshot is taken in two steps of the same form: the second
    // tries again when the first failed (after its error box) and does
    // nothing once a snapshot is stored.
    trap.step(106, [&] {
        if (settings().read(QStringLiteral("Snapshot")).isEmpty())
            TakeSampleSnapshot(settings(), programFolder());
    });
    trap.step(108, [&] {
        if (settings().read(QStringLiteral("Snapshot")).isEmpty())
            TakeSampleSnapshot(settings(), programFolder());
    });
    trap.step(110, [&] {
        setWindowTitle(ProductName);
        setWindowIcon(QApplication::windowIcon());
    });
    trap.step(112, [&] { prompts().setApplicationTitle(SetApplicationTitle(ProductName)); });
    trap.step(114, [&] { m_fileList->setColumns({ { QStringLiteral("EML File(s)"), 6700 } }); });
    trap.step(116, [&] { setResultColumns({ { QStringLiteral("Results"), 7300 } }); });
    trap.step(118, [&] { restoreCheckBox(m_check14, QStringLiteral("Check14")); });
    trap.step(120, [&] { restoreCheckBox(m_check1, QStringLiteral("Check1")); });
    trap.step(122, [&] { m_text1->setText(settings().read(QStringLiteral("Text1"))); });
    trap.step(124, [&] { m_text2->setText(settings().read(QStringLiteral("Text2"))); });
    trap.step(126, [&] { m_text5->setText(settings().read(QStringLiteral("Text5"))); });
    trap.step(128, [&] { restoreCheckBox(m_check15, QStringLiteral("Check15")); });
    trap.step(130, [&] { restoreCheckBox(m_check16, QStringLiteral("Check16")); });
    trap.step(132, [&] { restoreCheckBox(m_check17, QStringLiteral("Check17")); });
    trap.step(134, [&] { m_text6->setText(settings().read(QStringLiteral("Text6"))); });
    trap.step(136, [&] { restoreCheckBox(m_check18, QStringLiteral("Check18")); });
    m_listView1->setColumnWidth(0, ReportModel::twipsToPixels(6700));
    installInteractionAids();
}

void Form1::installInteractionAids()
{
    auto *cues = installPointerCues(
        this, handPointer(), { QStringLiteral("Frame2"), QStringLiteral("ListView1"), QStringLiteral("ListView2") });
    const QString dragFile = PathTools::join(programFolder(), QStringLiteral("drag.ico"));
    const QPixmap dragImage(dragFile);
    const QCursor dragPointer = dragImage.isNull() ? QCursor() : QCursor(dragImage);
    m_reorder = new FileListReorder(m_listView1, m_fileList, dragImage.isNull() ? nullptr : &dragPointer,
        [cues] { cues->cue(QCursor(Qt::ArrowCursor)); });
}

void Form1::restoreCheckBox(QCheckBox *box, const QString &key)
{
    const QString stored = settings().read(key, QStringLiteral("0"));
    bool isNumber = false;
    const int value = stored.trimmed().toInt(&isNumber);
    if (!isNumber)
        throw AppFailure(QStringLiteral("Type mismatch"));
    if (value != 0 && value != 1)
        throw AppFailure(QStringLiteral("Invalid property value"));
    box->setChecked(value == 1);
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    // The first time it is shown the window is made to fit the screen it is
    // on: no larger than the area free for windows, and within it.
    const QScreen *shown = screen();
    if (!shown)
        return;
    const QRect area = shown->availableGeometry();
    // The frame is not known yet on every platform: leave room for a title
    // bar and borders.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize room(area.width() - qMax(frame.width(), 16), area.height() - qMax(frame.height(), 40));
    if (width() > room.width() || height() > room.height())
        resize(qMin(width(), room.width()), qMin(height(), room.height()));
    QRect placed = frameGeometry();
    placed.moveLeft(qBound(area.left(), placed.left(), qMax(area.left(), area.right() - placed.width())));
    placed.moveTop(qBound(area.top(), placed.top(), qMax(area.top(), area.bottom() - placed.height())));
    if (placed.topLeft() != frameGeometry().topLeft())
        move(placed.topLeft());
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    // The extraction windows have no owner window: they close with this one.
    for (QWidget *window : { static_cast<QWidget *>(m_form2.get()), static_cast<QWidget *>(m_form3.get()),
             static_cast<QWidget *>(Form4::find()) }) {
        if (window)
            window->close();
    }
    event->accept();
    emit closed();
}

void Form1::Form_QueryUnload()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.Form_QueryUnload"));
    trap.step(100, [&] { AppClosing = true; });
    trap.step(102, [&] {
        EventPump::pumpNow();
        EventPump::pumpNow();
    });
}

void Form1::runUntrapped(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &failure) {
        qWarning("Tollervane: %s", failure.what());
    }
}

void Form1::Check1_Click()
{
    runUntrapped([&] {
        settings().save(QStringLiteral("Check1"), m_check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void Form1::Check14_Click()
{
    runUntrapped([&] {
        settings().save(QStringLiteral("Check14"), m_check14->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void Form1::Check15_Click()
{
    runUntrapped([&] {
        settings().save(QStringLiteral("Check15"), m_check15->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void Form1::Check16_Click()
{
    runUntrapped([&] {
        settings().save(QStringLiteral("Check16"), m_check16->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void Form1::Check17_Click()
{
    runUntrapped([&] {
        settings().save(QStringLiteral("Check17"), m_check17->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void Form1::Check18_Click()
{
    runUntrapped([&] {
        settings().save(QStringLiteral("Check18"), m_check18->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void Form1::Text6_Change()
{
    runUntrapped([&] { settings().save(QStringLiteral("Text6"), m_text6->text()); });
}

void Form1::Text1_Change()
{
    runUntrapped([&] { settings().save(QStringLiteral("Text1"), m_text1->text()); });
}

void Form1::Text2_Change()
{
    runUntrapped([&] { settings().save(QStringLiteral("Text2"), m_text2->text()); });
}

void Form1::Text5_Change()
{
    runUntrapped([&] { settings().save(QStringLiteral("Text5"), m_text5->text()); });
}

bool Form1::countDuplicates() const
{
    return m_check18->isChecked();
}

bool Form1::removeDuplicates() const
{
    return m_check1->isChecked();
}

bool Form1::showSourceFilename() const
{
    return m_check14->isChecked();
}

bool Form1::textsArePatterns() const
{
    return m_check15->isChecked();
}

bool Form1::onlyMatchingText() const
{
    return m_check16->isChecked();
}

bool Form1::readDecoded() const
{
    return m_check17->isChecked();
}

void Form1::setResultColumns(const QList<std::pair<QString, int>> &columns)
{
    QList<ReportModel::Column> modelColumns;
    for (const auto &[header, width] : columns)
        modelColumns.append({ header, width });
    m_results->setColumns(modelColumns);
    for (int c = 0; c < columns.size(); ++c)
        m_listView2->setColumnWidth(c, ReportModel::twipsToPixels(columns[c].second));
}

void Form1::setBusyPointer(bool busy)
{
    m_busy = busy;
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

bool Form1::beginLongCommand()
{
    if (m_longCommandRunning) {
        QApplication::beep();
        return false;
    }
    m_longCommandRunning = true;
    beginStoppable();
    return true;
}

void Form1::endLongCommand()
{
    m_longCommandRunning = false;
    endStoppable();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const bool onFileList = watched == m_listView1->viewport();
    if (onFileList && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        // Only a list of local files may be dropped; anything else is refused
        // while it is dragged over the list.
        if (isListOfLocalFiles(drag->mimeData()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    if (onFileList && event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!isListOfLocalFiles(drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        const QList<QUrl> urls = drop->mimeData()->urls();
        runUntrapped([&] { ListView1_OLEDragDrop(urls); });
        return true;
    }
    if ((watched == m_listView1 || watched == m_listView2) && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::SelectAll)) {
        m_results->flushPending(); // rows added in the last moments too
        selectAllRows(static_cast<QTableView *>(watched));
        return true;
    }
    if (watched == m_listView1 && event->type() == QEvent::KeyPress) {
        runUntrapped([&] { ListView1_KeyDown(static_cast<QKeyEvent *>(event)->key()); });
        return false;
    }
    if (watched == m_listView2 && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete) {
            // As a double-click on the row, with the same guard.
            runUntrapped([&] { ListView2_DblClick(); });
            return true;
        }
        if (key->matches(QKeySequence::Copy)) {
            runUntrapped([&] { copySelectedResults(); });
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (onFileList)
            runUntrapped([&] { ListView1_DblClick(); });
        else if (watched == m_listView2->viewport())
            runUntrapped([&] { ListView2_DblClick(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
