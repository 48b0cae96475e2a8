#pragma once

#include <QString>

// The fixed help texts with their worked examples. Lines are separated by a
// single carriage return. Each text is built in one place; every button that
// shows it calls the same routine.
QString ContactHelpText();
QString LinesByNumberHelpText();
QString BetweenMarkersHelpText();
QString TextSetsHelpText();

// The sample unsubscribe line of the between-markers example, and the
// address that the example extracts from it.
QString SampleUnsubscribeLine();
inline const QString SampleUnsubscribeAddress = QStringLiteral("mara.ellison@example.net");
