#pragma once

#include "viewer/ViewerMessage.h"

#include <QWidget>

class QLabel;

// A picture, a title and a description shown in place of the image.
class MessageView : public QWidget {
    Q_OBJECT
public:
    explicit MessageView(QWidget* parent = nullptr);

    void showMessage(const ViewerMessage& message);
    void setTextColor(const QColor& color);
    const ViewerMessage& message() const { return current; }

    QLabel* messageImage = nullptr;
    QLabel* messageTitle = nullptr;
    QLabel* messageDescription = nullptr;

private:
    ViewerMessage current;
};
