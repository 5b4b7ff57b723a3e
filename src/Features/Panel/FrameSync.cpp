#include "Features/Panel/FrameSync.h"

FrameSync::FrameSync(QObject* parent, std::function<void()> sync)
    : QObject(parent)
    , m_sync(std::move(sync)) {
    m_frame.setParent(this); // found among the view's children, like its other timers
    m_frame.setObjectName(QStringLiteral("frame"));
    m_frame.setSingleShot(true);
    m_frame.setInterval(frameMs);
    connect(&m_frame, &QTimer::timeout, this, [this] {
        if (!m_pending)
            return;
        m_pending = false;
        m_frame.start();
        m_sync();
    });
}

void FrameSync::request() {
    if (m_frame.isActive()) {
        m_pending = true;
        return;
    }
    m_frame.start();
    m_sync();
}
