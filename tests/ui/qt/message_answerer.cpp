#include "tests/ui/qt/message_answerer.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ui/qt/message_dialog.h"

namespace quintrel::qt::test {

MessageAnswerer::MessageAnswerer() {
  timer_.setInterval(5);
  connect(&timer_, &QTimer::timeout, this, &MessageAnswerer::poll);
  timer_.start();
}

void MessageAnswerer::answer_next(std::initializer_list<Answer> answers) {
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

QStringList MessageAnswerer::texts() const {
  QStringList list;
  for (const SeenMessage& message : seen) {
    list << message.text;
  }
  return list;
}

void MessageAnswerer::poll() {
  auto* const dialog = dynamic_cast<MessageDialog*>(QApplication::activeModalWidget());
  if (dialog == nullptr || !dialog->isVisible()) {
    return;
  }
  Answer answer = Answer::kOkButton;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  seen.push_back({dialog->text_label()->text(), dialog->windowTitle(), 0});
  connect(dialog, &QDialog::finished, this, [this](int result) { seen.back().result = result; });
  switch (answer) {
    case Answer::kOkButton:
      QTest::mouseClick(dialog->ok_button(), Qt::LeftButton);
      break;
    case Answer::kEnter:
      QTest::keyClick(dialog, Qt::Key_Return);
      break;
    case Answer::kEscape:
      QTest::keyClick(dialog, Qt::Key_Escape);
      break;
    case Answer::kCloseBox:
      dialog->close();
      break;
  }
}

}  // namespace quintrel::qt::test
