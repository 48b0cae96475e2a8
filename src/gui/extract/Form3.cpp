#include "Form3.h"

#include "WindowRunHost.h"
#include "core/app/ErrorTrap.h"
#include "core/app/Prompts.h"
#include "core/app/SettingsStore.h"
#include "core/extract/TextSets.h"
#include "core/guide/HelpTexts.h"
#include "gui/app/Form1.h"
#include "gui/guide/PointerCues.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

Form3::Form3(Form1 &mainWindow)
    : SecondaryWindow(mainWindow, QStringLiteral("Form3"), QStringLiteral("Extract Lines Containing These Text Sets"))
{
    QPushButton *help = makeButton(QStringLiteral("PushButton11"), QStringLiteral("Help"));
    m_frame2 = new QGroupBox(QStringLiteral("Containing Text"), this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_combo1 = new QComboBox(m_frame2);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setEditable(false);
    m_combo1->setMinimumHeight(27);
    auto *frameLayout = new QVBoxLayout(m_frame2);
    frameLayout->addWidget(m_combo1);
    QPushButton *add = makeButton(QStringLiteral("PushButton2"), QStringLiteral("Add Item"));
    QPushButton *remove = makeButton(QStringLiteral("PushButton1"), QStringLiteral("Remove Selected Item"));
    QPushButton *clear = makeButton(QStringLiteral("PushButton5"), QStringLiteral("Clear All Items"));
    QPushButton *load = makeButton(QStringLiteral("PushButton3"), QStringLiteral("Load Multiple Items From Text File"));
    QPushButton *start = makeButton(QStringLiteral("PushButton4"), QStringLiteral("Start Extracting"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(help, 0, 0, 1, 2);
    layout->addWidget(m_frame2, 1, 0, 1, 2);
    layout->addWidget(add, 2, 0);
    layout->addWidget(remove, 2, 1);
    layout->addWidget(clear, 3, 0);
    layout->addWidget(load, 3, 1);
    layout->addWidget(start, 4, 0, 1, 2);
    resize(560, 250);

    connect(help, &QPushButton::clicked, this, &Form3::PushButton11_Click);
    connect(add, &QPushButton::clicked, this, &Form3::PushButton2_Click);
    connect(remove, &QPushButton::clicked, this, &Form3::PushButton1_Click);
    connect(clear, &QPushButton::clicked, this, &Form3::PushButton5_Click);
    connect(load, &QPushButton::clicked, this, &Form3::PushButton3_Click);
    connect(start, &QPushButton::clicked, this, &Form3::PushButton4_Click);

    QAbstractItemModel *items = m_combo1->model();
    // With nothing selected the list would look empty however many text
    // sets it holds: its placeholder says how many there are.
    auto describe = [this] {
        m_combo1->setPlaceholderText(m_combo1->count() == 0
                ? QStringLiteral("No text sets yet: use Add Item")
                : QStringLiteral("%1 text set(s): open the list to see or select them").arg(m_combo1->count()));
    };
    describe();
    connect(items, &QAbstractItemModel::rowsInserted, this, describe);
    connect(items, &QAbstractItemModel::rowsRemoved, this, describe);
    connect(items, &QAbstractItemModel::modelReset, this, describe);
}

void Form3::Form_Load()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form3.Form_Load"));
    trap.step(100, [&] { applyPlainBackground(); });
    trap.step(102, [&] { takeApplicationIcon(); });
    trap.step(104, [&] {
        loadHandPointer();
        installPointerCues(this, handPointer(), { QStringLiteral("Frame2") });
    });
    trap.step(106, [&] { appendSetItems(TextSets::split(settings().read(QStringLiteral("Combo1")))); });
}

QStringList Form3::setItems() const
{
    QStringList sets;
    sets.reserve(m_combo1->count());
    for (int i = 0; i < m_combo1->count(); ++i)
        sets.append(m_combo1->itemText(i));
    return sets;
}

void Form3::appendSetItems(const QStringList &sets)
{
    // A list box that gains its first entry selects it; the set list keeps
    // its selection (none after loading) as it was.
    const int selected = m_combo1->currentIndex();
    m_combo1->addItems(sets);
    m_combo1->setCurrentIndex(selected);
}

void Form3::SaveSetItems()
{
    settings().save(QStringLiteral("Combo1"), TextSets::join(setItems()));
}

// Add Item: one text set, as typed; an empty answer adds nothing.
void Form3::PushButton2_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form3.PushButton2_Click"));
    QString text;
    trap.step(100, [&] { text = prompts().askText(QStringLiteral("Enter text:")); });
    trap.step(102, [&] {
        if (!text.isEmpty())
            appendSetItems({ text });
    });
    trap.step(104, [&] { SaveSetItems(); });
}

// Remove Selected Item: nothing to remove without a selection.
void Form3::PushButton1_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form3.PushButton1_Click"));
    trap.step(100, [&] {
        const int selected = m_combo1->currentIndex();
        if (selected >= 0) {
            m_combo1->removeItem(selected);
            m_combo1->setCurrentIndex(-1);
        }
    });
    trap.step(102, [&] { SaveSetItems(); });
}

// Clear All Items.
void Form3::PushButton5_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form3.PushButton5_Click"));
    trap.step(100, [&] { m_combo1->clear(); });
    trap.step(102, [&] { SaveSetItems(); });
}

// Load Multiple Items From Text File: the non-blank lines of each chosen
// file, in the dialog's order. The list is not stored here: the next Add,
// Remove or Clear stores it.
void Form3::PushButton3_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form3.PushButton3_Click"));
    QStringList files;
    trap.step(100, [&] {
        files = prompts().openFiles(
            QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"), { QStringLiteral("All Files (*)") });
    });
    trap.step(102, [&] {
        for (const QString &path : std::as_const(files)) {
            QStringList loaded;
            LoadSetItemsFromFile(loaded, path, prompts());
            appendSetItems(loaded);
        }
    });
}

// Start Extracting: every line of every listed file that holds a text set.
// A literal run follows the list as it changes during the run (any change,
// however made), a pattern run takes it once.
void Form3::PushButton4_Click()
{
    Form1 &form = mainWindow();
    ExtractionJob job;
    job.kind = ExtractionJob::Kind::TextSets;
    job.sets = setItems();
    job.patterns = form.textsArePatterns();
    job.onlyMatching = form.onlyMatchingText();
    job.decoded = form.readDecoded();
    WindowRunHost host(form, [this](bool busy) { setBusyPointer(busy); });
    const QAbstractItemModel *items = m_combo1->model();
    host.watch(items, &QAbstractItemModel::rowsInserted);
    host.watch(items, &QAbstractItemModel::rowsRemoved);
    host.watch(items, &QAbstractItemModel::rowsMoved);
    host.watch(items, &QAbstractItemModel::modelReset);
    host.watch(items, &QAbstractItemModel::dataChanged);
    host.followTexts([this](ExtractionJob &running) { running.sets = setItems(); });
    form.runExtraction(host, job, QStringLiteral("Form3.PushButton4_Click"));
}

void Form3::PushButton11_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form3.PushButton11_Click"));
    trap.step(100, [&] { prompts().info(TextSetsHelpText()); });
}
