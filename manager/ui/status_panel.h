#pragma once
// The status bar's one owner-drawn panel: the status text over a bar that
// fills from the left by the progress value (percent, a text such as " 42")
// in the highlight colour.

#include <QString>
#include <QWidget>

class StatusPanel : public QWidget {
  public:
    explicit StatusPanel(QWidget* parent = nullptr);
    void Show(const QString& text, const QString& progress);
    QString text() const { return m_text; }
    int percent() const { return m_percent; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString m_text;
    int m_percent = 0;
};

// The progress value as a percentage 0..100 (blanks in front allowed; not a
// number reads as 0).
int ProgressPercent(const QString& progress);
