#pragma once

#include <QString>

class Prompts;
class SettingsStore;

// What the windows are given from outside: the program folder (where the
// optional files live), the settings store and the prompts seam. The program
// passes the real ones; the tests and the scripted driver their own.
struct AppEnvironment
{
    QString programFolder;
    SettingsStore *settings = nullptr;
    Prompts *prompts = nullptr;
};
