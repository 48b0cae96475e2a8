#include "core/app/ErrorTrap.h"
#include "core/app/Prompts.h"
#include "core/guide/HelpTexts.h"
#include "core/guide/LoadSampleFiles.h"
#include "gui/app/Form1.h"

// The help buttons and the sample files.

void Form1::PushButton22_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton22_Click"));
    trap.step(100, [&] { prompts().info(ContactHelpText()); });
}

void Form1::PushButton10_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton10_Click"));
    trap.step(100, [&] { prompts().info(LinesByNumberHelpText()); });
}

void Form1::PushButton16_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton16_Click"));
    trap.step(100, [&] { prompts().info(BetweenMarkersHelpText()); });
}

void Form1::PushButton17_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton17_Click"));
    trap.step(100, [&] { prompts().info(TextSetsHelpText()); });
}

void Form1::PushButton23_Click()
{
    ErrorTrap trap(prompts(), QStringLiteral("Form1.PushButton23_Click"));
    trap.step(100, [&] { LoadSampleFiles(fileList(), settings(), prompts(), programFolder()); });
}
