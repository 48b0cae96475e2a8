#include "ProgramModule.h"

#include <QByteArray>
#include <QStringList>

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace ProgramModule {

namespace {

// The folder of the running program, from the system (the program may
// have been started through a link on the PATH).
QByteArray programFolder()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || length >= ssize_t(sizeof path))
        return {};
    const QByteArray program(path, length);
    return program.left(program.lastIndexOf('/'));
}

} // namespace

void *symbol(const char *fileName, const char *symbol, QString &why)
{
    const QByteArray folder = programFolder();
    if (folder.isEmpty()) {
        why = QStringLiteral("the program's own folder is not known");
        return nullptr;
    }
    // Beside the program (the build folder), in the modules folder of the
    // installed program folder, then in that folder seen from the commands'
    // folder. (Installed in a folder of their own, modules are not taken
    // for libraries of the system's.)
    const QByteArray candidates[] = {
        folder + '/' + fileName,
        folder + "/modules/" + fileName,
        folder + "/" TOLLERVANE_PROGRAM_FOLDER_FROM_COMMANDS "/modules/" + fileName,
    };
    QStringList failures;
    for (const QByteArray &path : candidates) {
        if (::access(path.constData(), F_OK) != 0)
            continue;
        // Loading the same file again hands back the handle already open.
        void *handle = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            failures << QString::fromLocal8Bit(::dlerror());
            continue;
        }
        if (void *address = ::dlsym(handle, symbol))
            return address;
        failures << QString::fromLocal8Bit(::dlerror());
    }
    why = failures.isEmpty()
        ? QStringLiteral("%1 not found in %2").arg(QString::fromLocal8Bit(fileName), QString::fromLocal8Bit(folder))
        : failures.join(QStringLiteral("; "));
    return nullptr;
}

Entry entry(void *linked, const char *fileName, const char *symbolName, const QString &what)
{
    Entry found;
    if (linked) {
        found.address = linked;
        return found;
    }
    QString why;
    found.address = symbol(fileName, symbolName, why);
    if (!found.address)
        found.failure = QStringLiteral("Cannot load %1: %2").arg(what, why);
    return found;
}

} // namespace ProgramModule
