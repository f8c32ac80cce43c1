// Answers modal windows in widget tests: while a test's code runs a modal loop, a timer
// hands each newly active modal window to the test's handler.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

namespace tov::testing {

class ModalAnswerer {
public:
    // `handle` gets each modal window once, when it has become the active modal window.
    explicit ModalAnswerer(std::function<void(QWidget*)> handle) : handle_(std::move(handle))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(2);
    }

    // Message boxes are closed with OK and their texts kept here.
    std::vector<QString> messageBoxes;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == last_) {
            return;
        }
        last_ = modal;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messageBoxes.push_back(box->text());
            box->accept();
            last_ = nullptr;
            return;
        }
        handle_(modal);
    }

    std::function<void(QWidget*)> handle_;
    QPointer<QWidget> last_;
    QTimer timer_;
};

} // namespace tov::testing
