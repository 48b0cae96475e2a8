#include "ErrorTrap.h"

#include "Prompts.h"

QString applicationErrorText(const QString &description, const QString &location, int lineMark)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(lineMark)
        + QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ")
        + QLatin1String(SupportAddress);
}

void ShowApplicationError(Prompts &prompts, const QString &description, const QString &location, int lineMark)
{
    prompts.message(QStringLiteral("Application Error"), applicationErrorText(description, location, lineMark),
        MessageIcon::Warning);
}

ErrorTrap::ErrorTrap(Prompts &prompts, const QString &procedure, const QString &project)
    : m_prompts(prompts)
    , m_location(location(procedure, project))
{ }

QString ErrorTrap::location(const QString &procedure, const QString &project)
{
    return QStringLiteral("in ") + project + QStringLiteral("2021/08/31.") + procedure + QLatin1Char(' ');
}

void ErrorTrap::report(const QString &description)
{
    ++m_failures;
    ShowApplicationError(m_prompts, description, m_location, m_lineMark);
}
