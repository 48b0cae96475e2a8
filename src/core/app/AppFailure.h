#pragma once

#include <QString>

#include <stdexcept>

// An unexpected failure inside a step. Untrapped helpers throw it (or let
// std::exception pass) to the trapped procedure that called them.
class AppFailure : public std::runtime_error
{
public:
    explicit AppFailure(const QString &description)
        : std::runtime_error(description.toStdString())
        , m_description(description)
    { }

    QString description() const { return m_description; }

private:
    QString m_description;
};
