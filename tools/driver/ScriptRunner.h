#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>

class Form1;
class ScriptedPrompts;
class SettingsStore;
class QWidget;

// Performs the steps of a script (JSON Lines) on the real windows, and
// reports dumps through the sink. Controls are found by objectName in the
// main window or, with "window", in Form2 / Form3.
class ScriptRunner
{
public:
    using Sink = std::function<void(const QJsonObject &)>;

    ScriptRunner(Form1 &form, ScriptedPrompts &prompts, SettingsStore &settings, Sink sink);

    // Runs one step; returns an error text for a malformed step or a control
    // that cannot be found, empty on success.
    QString runStep(const QJsonObject &step);
    // Runs every line of a script; stops at the first error and returns it
    // (with its line number).
    QString runScript(const QByteArray &script);

private:
    QWidget *window(const QJsonObject &step, QString *error) const;
    template <class T> T *control(const QJsonObject &step, const QString &name, QString *error) const;
    QString dump(const QJsonObject &step);

    Form1 &m_form;
    ScriptedPrompts &m_prompts;
    SettingsStore &m_settings;
    Sink m_sink;
    bool m_tracingProgress = false;
    // Arms an action (a press of Stop, a screenshot) to happen once during
    // the next command, when its progress, a list's rows or its first yield
    // comes (see README).
    QString arm(const QJsonObject &when, std::function<void()> action);
};
