#include "manager/ui/terminate_window.h"

#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

// Twelve spokes, the brightest one turning every 80 ms.
class TerminateWindow::Spinner : public QWidget {
  public:
    explicit Spinner(QWidget* parent) : QWidget(parent) {
        setFixedSize(48, 48);
        m_timer.setInterval(80);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_step = (m_step + 1) % kSpokes;
            update();
        });
    }
    void Start() { m_timer.start(); }
    void Stop() { m_timer.stop(); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(width() / 2.0, height() / 2.0);
        QColor colour = palette().highlight().color();
        for (int i = 0; i < kSpokes; ++i) {
            int age = (m_step - i + kSpokes) % kSpokes;
            colour.setAlphaF(1.0f - static_cast<float>(age) / kSpokes);
            p.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(0, -10), QPointF(0, -20));
            p.rotate(360.0 / kSpokes);
        }
    }

  private:
    static constexpr int kSpokes = 12;
    QTimer m_timer;
    int m_step = 0;
};

TerminateWindow::TerminateWindow(QWidget* mainWindow, std::function<void()> terminate)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint),
      m_mainWindow(mainWindow),
      m_spinner(new Spinner(this)),
      m_button(new QPushButton(QStringLiteral("Terminate"), this)) {
    setObjectName(QStringLiteral("terminateWindow"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_spinner, 0, Qt::AlignHCenter);
    layout->addWidget(m_button);
    setAutoFillBackground(true);
    connect(m_button, &QPushButton::clicked, this, [terminate] { terminate(); });
}

void TerminateWindow::Open() {
    adjustSize();
    QPoint centre = m_mainWindow->geometry().center();
    move(centre - QPoint(width() / 2, height() / 2));
    m_spinner->Start();
    show();
    raise();
}

void TerminateWindow::Close() {
    m_spinner->Stop();
    hide();
}
