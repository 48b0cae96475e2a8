#pragma once

#include "AppFailure.h"

#include <QString>

#include <exception>
#include <new>
#include <utility>

class Prompts;

// The box text: description, CR LF, location + "at line " + mark, two CRs,
// then the request to send a screenshot.
QString applicationErrorText(const QString &description, const QString &location, int lineMark);

// Shows the "Application Error" box (warning icon, OK only).
void ShowApplicationError(Prompts &prompts, const QString &description, const QString &location, int lineMark);

inline constexpr const char *SupportAddress = "support@ardenwick.example";

// The error trap that a user-triggered procedure installs at its start.
// Each numbered step runs through step(): a failure shows the box with the
// procedure's location and the step's line mark, and the procedure goes on
// with its next step. Line marks start at 100 and rise in steps of 2.
class ErrorTrap
{
public:
    // procedure is "Module.Procedure", e.g. "Form1.PushButton13_Click".
    ErrorTrap(Prompts &prompts, const QString &procedure, const QString &project = QStringLiteral("Quillmarsh"));

    static QString location(const QString &procedure, const QString &project = QStringLiteral("Quillmarsh"));
    QString location() const { return m_location; }
    int lineMark() const { return m_lineMark; }
    int failures() const { return m_failures; }
    Prompts &prompts() const { return m_prompts; }

    // Runs one numbered step; returns false when it failed (after the box).
    template <class Step> bool step(int lineMark, Step &&body)
    {
        m_lineMark = lineMark;
        try {
            std::forward<Step>(body)();
            return true;
        } catch (const AppFailure &failure) {
            report(failure.description());
        } catch (const std::bad_alloc &) {
            report(QStringLiteral("Out of memory"));
        } catch (const std::exception &failure) {
            report(QString::fromLocal8Bit(failure.what()));
        }
        return false;
    }

    void report(const QString &description);

private:
    Prompts &m_prompts;
    QString m_location;
    int m_lineMark = 0;
    int m_failures = 0;
};
