#pragma once
// The window shown while a long operation runs: borderless, centred on the
// main window, a turning picture and the one button "Terminate". It is not
// modal: the operation pumps events meanwhile and the person may still
// click the tree (which also asks the operation to stop).

#include <QTimer>
#include <QWidget>
#include <functional>

class QPushButton;

class TerminateWindow : public QWidget {
  public:
    TerminateWindow(QWidget* mainWindow, std::function<void()> terminate);
    // Shows it centred on the main window and starts the picture turning.
    void Open();
    void Close();
    QPushButton* button() const { return m_button; }

  private:
    class Spinner;
    QWidget* m_mainWindow;
    Spinner* m_spinner;
    QPushButton* m_button;
};
