#include "FirstPaint.h"

#include <QEvent>
#include <QWidget>

namespace {
class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(QWidget *window, std::function<void()> job) : QObject(window), FJob(std::move(job))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && FJob) {
            watched->removeEventFilter(this);
            const std::function<void()> job = std::move(FJob);
            FJob = nullptr;
            deleteLater();
            job();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> FJob;
};
} // namespace

void OnFirstPaint(QWidget *window, std::function<void()> job) { new FirstPaintWatch(window, std::move(job)); }
