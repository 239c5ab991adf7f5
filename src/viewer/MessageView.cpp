#include "viewer/MessageView.h"

#include "viewer/MessageColors.h"

#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

MessageView::MessageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addStretch(1);
    messageImage = new QLabel(this);
    messageImage->setAlignment(Qt::AlignCenter);
    messageTitle = new QLabel(this);
    messageTitle->setObjectName(QStringLiteral("messageTitle"));
    messageTitle->setAlignment(Qt::AlignCenter);
    QFont titleFont = messageTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    messageTitle->setFont(titleFont);
    messageDescription = new QLabel(this);
    messageDescription->setObjectName(QStringLiteral("messageDescription"));
    messageDescription->setAlignment(Qt::AlignCenter);
    messageDescription->setWordWrap(true);
    layout->addWidget(messageImage);
    layout->addWidget(messageTitle);
    layout->addWidget(messageDescription);
    layout->addStretch(1);
    setTextColor(Qt::white);
}

void MessageView::showMessage(const ViewerMessage& message) {
    current = message;
    const QIcon picture(QStringLiteral(":/%1.svg").arg(message.picture));
    messageImage->setPixmap(picture.pixmap(QSize(96, 96), devicePixelRatioF()));
    messageTitle->setText(message.title);
    messageDescription->setText(message.description);
    show();
}

void MessageView::setTextColor(const QColor& color) {
    auto paint = [](QLabel* label, const QColor& c) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, c);
        label->setPalette(palette);
    };
    paint(messageTitle, MessageColors::titleColor(color));
    paint(messageDescription, MessageColors::descriptionColor(color));
}
