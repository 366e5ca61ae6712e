// A window for tests on a Wayland compositor, that fills itself with what
// standard input asks, one line at a time, answering once it has
// painted it ("painted" and the line):
//   RRGGBB ... one colour, or several in equal bands from top to bottom
//   pattern    a different colour at every pixel of the screen (as long as
//              the buffer's pixels are the screen's): red and green are the
//              pixel's column and row, modulo 256, and blue their quotient.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRasterWindow>
#include <QSocketNotifier>
#include <QStringList>
#include <iostream>
#include <string>

class ColourWindow : public QRasterWindow {
public:
    void Fill(const std::string& what) {
        what_ = what;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (what_ == "pattern") {
            const qreal ratio = devicePixelRatio();
            QImage image(size() * ratio, QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) row[x] = qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256);
            }
            image.setDevicePixelRatio(ratio);
            painter.drawImage(0, 0, image);
        } else {
            const QStringList bands = QString::fromStdString(what_).split(' ');
            for (qsizetype i = 0; i < bands.size(); ++i) {
                const int top = static_cast<int>(height() * i / bands.size());
                const int bottom = static_cast<int>(height() * (i + 1) / bands.size());
                painter.fillRect(QRect(0, top, width(), bottom - top), QColor("#" + bands[i]));
            }
        }
        std::cout << "painted " << what_ << std::endl;
    }

private:
    std::string what_ = "000000";
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ColourWindow window;
    window.showMaximized();
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&window] {
        std::string line;
        if (!std::getline(std::cin, line)) QGuiApplication::quit();
        window.Fill(line);
    });
    return QGuiApplication::exec();
}
