#pragma once

#include "SecondaryWindow.h"

class QGroupBox;
class QLineEdit;

// The Extract Between X and Y window: a start marker X, an end marker Y, and
// a run that puts every stretch from an X up to the next Y of every listed
// file into the main window's results list. The markers are stored at every
// change.
class Form2 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit Form2(Form1 &mainWindow);

    // The load steps, run once when the window is first opened.
    void Form_Load();

public slots:
    void PushButton4_Click(); // Start Extracting
    void PushButton1_Click(); // Close This Window
    void PushButton11_Click(); // Help
    void Text3_Change();
    void Text4_Change();

private:
    QGroupBox *m_frame2 = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QLineEdit *m_text3 = nullptr;
    QLineEdit *m_text4 = nullptr;
};
