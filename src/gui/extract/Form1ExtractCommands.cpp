#include "app/Form1.h"

// The line filters and the two extraction windows are still to come.

void Form1::PushButton2_Click() {}
void Form1::PushButton8_Click() {}
void Form1::PushButton7_Click() {}
void Form1::PushButton4_Click() {}
void Form1::PushButton15_Click() {}
