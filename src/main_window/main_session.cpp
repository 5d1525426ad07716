#include "main_window/main_session.h"

#include "link/messages.h"

MainLine::MainLine(LineEngine::Line& line, const ConnectionValues& values, Prompter& windowPrompter,
                   MainDisplay& display)
    : line(line),
      values(values),
      policy(line.port(), line.state(), this->values, *this),
      cycle([this](const QString& command, const ExchangeOptions& options) {
          // The window's own exchange, so that a silent device or a failed line shows as it
          // happens; its answer told as the cycle needs it.
          policy.ARMode = options.arMode;
          return exchangeResult(command);
      }),
      prompter_(line, windowPrompter),
      display_(display) {}

ExchangeResult MainLine::exchangeResult(const QString& command) {
    ExchangeResult result;
    result.text = policy.SendReceive(command);
    result.status = policy.lastAnswered()  ? ExchangeResult::Status::Reply
                    : values.ComPortStatus ? ExchangeResult::Status::NoReply
                                           : ExchangeResult::Status::PortFailure;
    return result;
}

void MainLine::tell(const QString& message) {
    prompter_.info(message);
}

void MainLine::showNoCommunication() {
    show([&display = display_] { display.showNoCommunication(); });
}

void MainLine::showInvalidPort() {
    show([&display = display_, address = values.ComAddress] { display.showInvalidPort(address); });
}

MainSession::MainSession(const WindowServices& services, QObject& window, MainDisplay& display)
    : services_(services), window_(window), display_(display) {}

MainSession::~MainSession() {
    end();
}

void MainSession::start() {
    engine_ = std::make_unique<LineEngine>(services_.makePort);
    line_.reset();
    // The line side begins with the values the opener set; the port is made and owned there.
    engine_->post(
        [this, values = values](LineEngine::Line& line) {
            line_ = std::make_unique<MainLine>(line, values, *services_.prompter, display_);
        },
        &window_);
}

LineEngine::Job MainSession::onLine(Job job) {
    return [this, job = std::move(job)](LineEngine::Line&) {
        if (!line_) {
            return;
        }
        try {
            job(*line_);
        } catch (...) {
            publish();
            throw;
        }
        publish();
    };
}

void MainSession::publish() {
    MainLine& m = *line_;
    LineState counts;
    counts.exchanges = m.line.state().exchanges;
    counts.unanswered = m.line.state().unanswered;
    counts.staleDropped = m.line.state().staleDropped;
    m.show([this, values = m.values, step = m.cycle.pollStep, ar = m.policy.ARMode,
            previous = m.PreviousCommand, counts, open = m.line.port().isOpen()] {
        this->values = values;
        PollStep = step;
        ARMode = ar;
        PreviousCommand = previous;
        line.exchanges = counts.exchanges;
        line.unanswered = counts.unanswered;
        line.staleDropped = counts.staleDropped;
        portOpen = open;
    });
}

void MainSession::run(Job job, std::function<void(bool)> done) {
    if (!engine_) {
        if (done) {
            done(false);
        }
        return;
    }
    auto ran = std::make_shared<bool>(false);
    ++onTheLine;
    engine_->post(onLine([job = std::move(job), ran](MainLine& line) {
                      *ran = true;
                      job(line);
                  }),
                  &window_, [this, done = std::move(done), ran] {
                      --onTheLine;
                      if (done) {
                          done(*ran);
                      }
                  });
}

void MainSession::stop(Job job) {
    if (!engine_) {
        return;
    }
    engine_->dropQueued(&window_);
    engine_->stop(onLine(std::move(job)), &window_);
}

void MainSession::end() {
    engine_.reset();
    line_.reset();
}
