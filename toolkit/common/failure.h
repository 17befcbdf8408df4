#pragma once

#include <QString>
#include <stdexcept>

namespace toolkit {

// A toolkit operation that could not be carried out. The message is Spanish and is meant to be
// shown to the user as it is, so it names the file or control and the reason.
class Failure : public std::runtime_error {
  public:
    explicit Failure(const QString& message);
    // `reason` is the message without the name of the file, for lists that name it already.
    Failure(const QString& message, const QString& reason);
    QString message() const { return QString::fromUtf8(what()); }
    QString reason() const { return reason_.isEmpty() ? message() : reason_; }

  private:
    QString reason_;
};

// An operation given up because the user asked to stop: the file it was about is left as it was,
// not converted.
class Cancelled : public Failure {
  public:
    using Failure::Failure;
};

// Runs one step of a handler that must go on whatever happens: a failing step is abandoned
// silently and the caller continues with its next step.
template <class Step>
void skipOnFailure(Step&& step) noexcept {
    try {
        step();
    } catch (const std::exception&) {
    }
}

}  // namespace toolkit
