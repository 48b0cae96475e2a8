#include "AppFixture.h"

#include <QJsonDocument>
#include <QTest>

AppFixture::AppFixture(const QString &programFolder)
    : m_programFolder(programFolder.isEmpty() ? m_ownProgramFolder.path() : programFolder)
    , m_settings(SettingsStore::filePathInConfigDir(m_configDir.path()))
{
    m_prompts.setSink([this](const QJsonObject &prompt) { transcript.append(prompt); });
    start();
}

AppFixture::~AppFixture()
{
    m_runner.reset();
    m_form.reset();
}

void AppFixture::start()
{
    m_form = std::make_unique<Form1>(AppEnvironment { m_programFolder, &m_settings, &m_prompts });
    m_form->Form_Load();
    m_form->show();
    m_runner = std::make_unique<ScriptRunner>(
        *m_form, m_prompts, m_settings, [this](const QJsonObject &line) { transcript.append(line); });
}

void AppFixture::restart()
{
    m_form->close();
    m_runner.reset();
    m_form.reset();
    start();
}

void AppFixture::run(const QByteArray &script)
{
    const QString error = m_runner->runScript(script);
    if (!error.isEmpty())
        QTest::qFail(qPrintable(error), __FILE__, __LINE__);
}

void AppFixture::run(const QJsonObject &step)
{
    const QString error = m_runner->runStep(step);
    if (!error.isEmpty())
        QTest::qFail(qPrintable(error), __FILE__, __LINE__);
}

QList<QJsonObject> AppFixture::shownPrompts() const
{
    QList<QJsonObject> prompts;
    for (const QJsonObject &line : transcript) {
        if (line.contains(QStringLiteral("prompt")))
            prompts.append(line);
    }
    return prompts;
}

QStringList AppFixture::messageTexts() const
{
    QStringList texts;
    for (const QJsonObject &prompt : shownPrompts()) {
        if (prompt.value(QStringLiteral("prompt")).toString() == QStringLiteral("message"))
            texts.append(prompt.value(QStringLiteral("text")).toString());
    }
    return texts;
}

QJsonObject AppFixture::dump(const QString &name, const QString &window)
{
    run(QJsonObject { { QStringLiteral("dump"), name }, { QStringLiteral("window"), window } });
    return transcript.isEmpty() ? QJsonObject() : transcript.last();
}

QList<QStringList> AppFixture::rows(const QString &list, const QString &window)
{
    QList<QStringList> rows;
    for (const QJsonValue &row : dump(list, window).value(QStringLiteral("rows")).toArray()) {
        QStringList cells;
        for (const QJsonValue &cell : row.toArray())
            cells.append(cell.toString());
        rows.append(cells);
    }
    return rows;
}

void AppFixture::dropFiles(const QStringList &paths)
{
    run(QJsonObject { { QStringLiteral("drop"), QJsonArray::fromStringList(paths) },
        { QStringLiteral("on"), QStringLiteral("ListView1") } });
}
