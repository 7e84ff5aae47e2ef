#pragma once

#include "platform/layout/htmlayout.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace layout {

// The object the view's script reaches over the web channel as "host".
// It only carries data: input goes to the model, boxes are stored there.
class LayoutBridge : public QObject {
    Q_OBJECT
public:
    explicit LayoutBridge(HWND hwnd, QObject* parent = nullptr);

    Q_INVOKABLE void ready();
    Q_INVOKABLE void input(const QVariantMap& event);
    Q_INVOKABLE void boxes(const QVariantList& list);
    Q_INVOKABLE void applied(int seq, double milliseconds);

signals:
    void snapshot(const QString& json);
    void batch(int seq, const QString& json);
    void pageReady();
    void batchApplied(int seq, double milliseconds);
    void boxesReported();

private:
    HWND m_hwnd;
};

}  // namespace layout
