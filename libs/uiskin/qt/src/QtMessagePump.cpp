#include "QtMessagePump.h"

#include <QCoreApplication>
#include <QEvent>

#include "platform/MessageQueue.h"

namespace zeva::ui {

namespace {
const QEvent::Type kPumpEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}

QtMessagePump::QtMessagePump() : bell_(std::make_shared<Bell>()) {
    bell_->target = this;
    std::weak_ptr<Bell> weak = bell_;
    SetMessageWakeup([weak] {
        const auto bell = weak.lock();
        if (!bell || bell->pending.exchange(true)) return;
        std::lock_guard<std::mutex> lock(bell->mutex);
        if (bell->target) QCoreApplication::postEvent(bell->target, new QEvent(kPumpEvent));
    });
    // Anything queued before the pump existed is handled on the first turn of the loop.
    bell_->pending = true;
    QCoreApplication::postEvent(this, new QEvent(kPumpEvent));
}

QtMessagePump::~QtMessagePump() {
    SetMessageWakeup({});
    std::lock_guard<std::mutex> lock(bell_->mutex);
    bell_->target = nullptr;
}

bool QtMessagePump::event(QEvent* e) {
    if (e->type() != kPumpEvent) return QObject::event(e);
    // Cleared before pumping: a message posted while we pump rings again.
    bell_->pending = false;
    handled_ += PumpMessages();
    int code = 0;
    if (TakeQuitRequest(&code)) QCoreApplication::exit(code);
    return true;
}

}  // namespace zeva::ui
