#include "app/Form1.h"

// The help texts and the sample files are still to come.

void Form1::PushButton22_Click() {}
void Form1::PushButton10_Click() {}
void Form1::PushButton16_Click() {}
void Form1::PushButton17_Click() {}
void Form1::PushButton23_Click() {}
