#include "main_window/main_session.h"

MainSession::MainSession(std::unique_ptr<SerialPort> port, MainLinkHost& host)
    : port_(std::move(port)), policy_(*port_, values, host) {}
