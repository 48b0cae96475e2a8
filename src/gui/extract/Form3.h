#pragma once

#include "SecondaryWindow.h"

#include <QStringList>

class QComboBox;
class QGroupBox;

// The text-sets window: a list of texts kept in Combo1 (and stored under
// "Combo1"), and a run that puts every line of every listed file that holds
// one of them into the main window's results list, once per text set found.
class Form3 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit Form3(Form1 &mainWindow);

    // The load steps, run once when the window is first opened.
    void Form_Load();

    QStringList setItems() const;

public slots:
    void PushButton2_Click(); // Add Item
    void PushButton1_Click(); // Remove Selected Item
    void PushButton5_Click(); // Clear All Items
    void PushButton3_Click(); // Load Multiple Items From Text File
    void PushButton4_Click(); // Start Extracting
    void PushButton11_Click(); // Help

private:
    void SaveSetItems();
    // Appends sets without changing which entry is selected.
    void appendSetItems(const QStringList &sets);

    QGroupBox *m_frame2 = nullptr;
    QComboBox *m_combo1 = nullptr;
};
