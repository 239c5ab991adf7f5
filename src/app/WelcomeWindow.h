#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QParallelAnimationGroup;
class QGraphicsOpacityEffect;

// The welcome screen: a splash, the main keys and a checkbox to stop showing
// it at launch. The splash and the keys slide and fade in when it appears.
class WelcomeWindow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double splashTop READ splashTop WRITE setSplashTop)
    Q_PROPERTY(double keyboardTop READ keyboardTop WRITE setKeyboardTop)
public:
    static constexpr double splashWidth = 620;
    static constexpr double splashTopBefore = -40;
    static constexpr double splashTopAfter = 0;
    static constexpr double keyboardTopBefore = 160;
    static constexpr double keyboardTopAfter = 90;
    static constexpr int animationMs = 500;

    explicit WelcomeWindow(QWidget* parent = nullptr);

    // Key, in front, and the entrance animation from the starting values.
    void showAnimated();
    // Puts the starting values back without animation and closes.
    void closeWindow();

    double splashTop() const { return splashOffset; }
    void setSplashTop(double top);
    double keyboardTop() const { return keyboardOffset; }
    void setKeyboardTop(double top);
    double contentOpacity() const;
    QCheckBox* hideWelcomeScreenCheck = nullptr;
    QParallelAnimationGroup* entrance() const { return animation; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void resetToStart();
    void layoutContent();

    QLabel* splash = nullptr;
    QLabel* keyboard = nullptr;
    QLabel* legend = nullptr;
    QList<QGraphicsOpacityEffect*> fades;
    QParallelAnimationGroup* animation = nullptr;
    double splashOffset = splashTopBefore;
    double keyboardOffset = keyboardTopBefore;
};
