// Answers the program's message windows as they open, in order, and records what each showed.
// A window that opens with no answer left is answered with OK (and recorded), so a test that
// meets an unexpected message fails on its record instead of hanging.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <vector>

namespace quintrel::qt::test {

enum class Answer { kOkButton, kEnter, kEscape, kCloseBox };

struct SeenMessage {
  QString text;
  QString title;
  int result = 0;
};

class MessageAnswerer final : public QObject {
 public:
  MessageAnswerer();

  void answer_next(std::initializer_list<Answer> answers);
  QStringList texts() const;

  std::vector<SeenMessage> seen;

 private:
  void poll();

  QTimer timer_;
  std::deque<Answer> answers_;
};

}  // namespace quintrel::qt::test
