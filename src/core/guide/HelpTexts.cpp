#include "HelpTexts.h"

#include <QStringList>

namespace {
const QString ContactPage = QStringLiteral("https://www.ardenwick.example/contact");
const QString SamplePerson = QStringLiteral("Tobias Wren");
const QString SampleHost = QStringLiteral("news.quillfield.example");
const QString PoemAuthor = QStringLiteral("Emily Dickinson");
const QChar Quote = QLatin1Char('"');

QString joinLines(const QStringList &lines)
{
    return lines.join(QLatin1Char('\r'));
}
} // namespace

QString ContactHelpText()
{
    return QStringLiteral("Questions? Please contact Team Ardenwick at ") + ContactPage;
}

QString LinesByNumberHelpText()
{
    return joinLines({
        QStringLiteral("If one of the files has this for content:"),
        QString(),
        QStringLiteral("A"),
        QStringLiteral("B"),
        QStringLiteral("C"),
        QStringLiteral("D"),
        QStringLiteral("E"),
        QStringLiteral("F"),
        QStringLiteral("G"),
        QString(),
        QStringLiteral("and your input is: 1,3,4"),
        QString(),
        QStringLiteral("then "),
        QString(),
        QStringLiteral("A"),
        QStringLiteral("C"),
        QStringLiteral("D"),
        QString(),
        QStringLiteral("will be extracted."),
        QString(),
        QStringLiteral("The same lines will be extracted throughout all the files you add to the list."),
    });
}

QString SampleUnsubscribeLine()
{
    return QStringLiteral("UNSUBSCRIBE: If you would like to stop receiving emails from ") + SamplePerson
        + QStringLiteral(", you can easily <a href=") + Quote + QStringLiteral("http://") + SampleHost
        + QStringLiteral("/oo.php?remove=") + SampleUnsubscribeAddress + Quote + QStringLiteral(" target=") + Quote
        + QStringLiteral("_blank") + Quote + QStringLiteral(">unsubscribe</a>.<br><br>");
}

QString BetweenMarkersHelpText()
{
    return joinLines({
        QStringLiteral("If one of the files has this for content:"),
        QString(),
        QStringLiteral("The rain in spain falls mainly on the plain."),
        QString(),
        QStringLiteral("and your input is: "),
        QStringLiteral("p"),
        QStringLiteral("n"),
        QString(),
        QStringLiteral("then "),
        QString(),
        QStringLiteral("ai"),
        QStringLiteral("lai"),
        QString(),
        QStringLiteral("will be extracted."),
        QString(),
        QStringLiteral("If one of the files has this for content:"),
        QString(),
        SampleUnsubscribeLine(),
        QString(),
        QStringLiteral("and your input is: "),
        QStringLiteral("remove="),
        QStringLiteral(" target"),
        QString(),
        QStringLiteral("then "),
        QString(),
        SampleUnsubscribeAddress,
        QString(),
        QStringLiteral("will be extracted."),
    });
}

QString TextSetsHelpText()
{
    return joinLines({
        QStringLiteral("A text set is a set of words or characters."),
        QString(),
        QStringLiteral("Add what you want to search for into the set by selecting ") + Quote
            + QStringLiteral("Add Text") + Quote,
        QString(),
        QStringLiteral("Sample Execution:"),
        QString(),
        QStringLiteral("Sample File:"),
        QString(),
        QStringLiteral("A door just opened on a street--"),
        QStringLiteral("   I, lost, was passing by--"),
        QStringLiteral("An instant 's width of warmth disclosed"),
        QStringLiteral("   And wealth, and company."),
        QString(),
        QStringLiteral("The door as sudden shut, and I,"),
        QStringLiteral("   I, lost, was passing by,--"),
        QStringLiteral("Lost doubly, but by contrast most,"),
        QStringLiteral("   Enlightening misery."),
        QString(),
        QStringLiteral("- ") + PoemAuthor,
        QString(),
        QStringLiteral("Containing Text:"),
        QString(),
        QStringLiteral("i"),
        QStringLiteral("width"),
        QStringLiteral("misery"),
        QString(),
        QStringLiteral("Results:"),
        QString(),
        QStringLiteral("I, lost, was passing by--"),
        QStringLiteral("An instant 's width of warmth disclosed"),
        QStringLiteral("The door as suddent shut, and I,"),
        QStringLiteral("I, lost, was passing by,--"),
        QStringLiteral("Enlightening misery."),
    });
}
