// wystrand-notify-gallery OUT_DIR [--scale N] [--scheme light|dark]: one PNG per card, named
// MODE-TYPE-LANG.png. Without --scheme the cards take the application palette, as the agent does
// when the desktop states no preference.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <cstdio>

#include "core/message/Protocol.h"
#include "ui/card/NotifyView.h"
#include "ui/panels/NotifyPanel.h"

using namespace wystrand;

namespace {

const QStringList types{"eye",   "sitting",        "stress", "exercise",   "app_feedback",
                        "water", "morning_energy", "info",   "achievement"};
const QStringList modes{"alert", "info", "countdown"};
const QStringList languages{"en", "es", "vi", "zh", "ko", "ja"};

// The card as its window shows it: centred in the window's fixed frame, transparent around.
QImage renderCard(const ShowConfig& config, qreal scale, ColorScheme scheme) {
    NotifyPanel panel(config, nullptr);
    panel.view()->setColorScheme(scheme);
    QImage image(panel.size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // The view itself, where the panel placed it: rendering the panel would move its masked
    // region to the image's corner.
    panel.view()->render(&painter, panel.view()->pos(), QRegion(), QWidget::DrawChildren);
    return image;
}

int usage() {
    std::fputs("usage: wystrand-notify-gallery OUT_DIR [--scale N] [--scheme light|dark]\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    qreal scale = 1;
    if (const qsizetype at = args.indexOf("--scale"); at >= 0) {
        bool ok = false;
        scale = at + 1 < args.size() ? args.at(at + 1).toDouble(&ok) : 0;
        if (!ok || scale <= 0 || scale > 8) {
            return usage();
        }
        args.remove(at, 2);
    }
    ColorScheme scheme = ColorScheme::noPreference;
    if (const qsizetype at = args.indexOf("--scheme"); at >= 0) {
        const QString name = args.value(at + 1);
        if (name != "light" && name != "dark") {
            return usage();
        }
        scheme = name == "dark" ? ColorScheme::dark : ColorScheme::light;
        args.remove(at, 2);
    }
    if (args.size() != 1) {
        return usage();
    }
    const QDir out(args.first());
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "gallery: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }

    int written = 0;
    for (const QString& mode : modes) {
        for (const QString& type : types) {
            for (const QString& language : languages) {
                if (language != "en" && type != "eye") {
                    continue;
                }
                PipeMsg request;
                request.id = "gallery";
                request.op = "show";
                request.mode = mode;
                request.type = type;
                request.locale = language;
                const QString name = QString("%1-%2-%3.png").arg(mode, type, language);
                if (!renderCard(ShowConfig::from(request), scale, scheme)
                         .save(out.filePath(name))) {
                    std::fprintf(stderr, "gallery: cannot write %s\n", qPrintable(name));
                    return 1;
                }
                ++written;
            }
        }
    }
    std::printf("%d cards written to %s\n", written, qPrintable(out.path()));
    return 0;
}
