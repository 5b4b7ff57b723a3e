#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// Brings a view up to date with the model at most once a frame. A lone change is drawn at once;
// the changes that follow within the same frame are drawn together when it ends. A relay can
// report thousands of events a second, far more than a screen shows.
class FrameSync : public QObject {
public:
    static constexpr int frameMs = 16;

    FrameSync(QObject* parent, std::function<void()> sync);

    void request();

private:
    std::function<void()> m_sync;
    QTimer m_frame; // runs for a frame after each sync
    bool m_pending = false;
};
