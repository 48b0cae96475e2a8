#pragma once

#include <QString>

// A part of the program kept in a module of its own, loaded only by the
// runs that need it (its libraries cost every start of the program
// otherwise). A module is looked for beside the running program (the build
// folder), then in the modules folder of the installed program folder (the
// installed window program), then in that folder as seen from the commands'
// folder (a command on the PATH).
namespace ProgramModule {

// The address of symbol in the module fileName, loading it if need be; null
// with the reason in why when it cannot be found or loaded. A module stays
// loaded for the program's life.
void *symbol(const char *fileName, const char *symbol, QString &why);

// A module's entry point as a program finds it: linked in (the tests and
// tools link the modules' code in), or else looked up in the module.
struct Entry
{
    void *address = nullptr;
    QString failure; // "Cannot load <what>: <why>" when there is none
};

// linked: the entry point's address when the program links it in (a weak
// reference, null otherwise). Callers keep the answer: each call may load.
Entry entry(void *linked, const char *fileName, const char *symbol, const QString &what);

} // namespace ProgramModule
