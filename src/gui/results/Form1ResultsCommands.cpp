#include "app/Form1.h"

// Narrowing, copying and saving the results are still to come.

void Form1::PushButton6_Click() {}
void Form1::PushButton12_Click() {}
void Form1::PushButton18_Click() {}
void Form1::PushButton9_Click() {}
void Form1::PushButton19_Click() {}
void Form1::PushButton20_Click() {}
void Form1::ListView2_DblClick() {}
