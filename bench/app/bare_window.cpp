// The yardstick of the start-up benchmark: a bare frameless Qt window of the login page's size,
// started the same way, ending once it has drawn its first frame.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class Bare final : public QWidget {
  public:
    Bare() : QWidget(nullptr, Qt::FramelessWindowHint) { resize(360, 280); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), QColor(22, 131, 216));
        if (!done_) {
            done_ = true;
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        }
    }

  private:
    bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Bare window;
    window.show();
    return QApplication::exec();
}
