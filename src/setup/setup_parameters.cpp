#include "setup/setup_parameters.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "device/flash_store.h"
#include "device/parameter_download.h"
#include "device/parameter_upload.h"
#include "setup/parameter_file_commands.h"
#include "setup/setup_messages.h"
#include "widgets/prompter.h"
#include "widgets/ui_helpers.h"

namespace {

QPushButton* button(const char* name, const char* caption) {
    auto* b = named<QPushButton>(name, QString::fromLatin1(caption));
    // Enter in a text box must not press a button: an upload would overwrite the edits.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

}  // namespace

SetupParameters::SetupParameters(const WindowServices& services, QWidget* parent)
    : DeviceWindow(parent),
      UploadPar(button("UploadPar", "Upload")),
      DownloadPar(button("DownloadPar", "Down")),
      SaveParameters(button("SaveParameters", "Save")),
      OpenParameters(button("OpenParameters", "Open")),
      SetSN(button("SetSN", "Store")),
      Close(button("Close", "Close")),
      services_(services),
      engine_(std::make_unique<LineEngine>(services.makePort)) {
    setObjectName(QStringLiteral("SetupParameters"));
    setWindowTitle(QStringLiteral("Setup Parameters"));
    buildLayout();
    wireButtons();
}

SetupParameters::~SetupParameters() {
    unload();
}

void SetupParameters::buildLayout() {
    auto* left = new QVBoxLayout;
    left->addWidget(controls.polarity.frame);
    left->addWidget(controls.params.limitHomeFrame);
    left->addStretch();

    auto* middle = new QVBoxLayout;
    middle->addWidget(controls.params.posGuardFrame);
    middle->addWidget(controls.params.currentFrame);
    middle->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(controls.comm.setupFrame);
    right->addWidget(controls.comm.deviceIdFrame);
    right->addWidget(controls.params.miscFrame);
    right->addStretch();

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {UploadPar, DownloadPar, SaveParameters, OpenParameters, SetSN}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(Close);

    auto* grid = new QGridLayout(this);
    grid->addLayout(left, 0, 0);
    grid->addLayout(middle, 0, 1);
    grid->addLayout(right, 0, 2);
    grid->addLayout(buttons, 1, 0, 1, 3);
}

// Every press is a job on the engine, so that a press made while an operation runs or waits on a
// question acts after it, once, in the order the presses came.
void SetupParameters::wireButtons() {
    const std::pair<QPushButton*, void (SetupParameters::*)()> presses[] = {
        {UploadPar, &SetupParameters::UploadPar_Click},
        {DownloadPar, &SetupParameters::DownloadPar_Click},
        {SetSN, &SetupParameters::SetSN_Click},
        {SaveParameters, &SetupParameters::SaveParameters_Click},
        {OpenParameters, &SetupParameters::OpenParameters_Click},
        {Close, &SetupParameters::Close_Click},
    };
    for (const auto& [button, handler] : presses) {
        connect(button, &QPushButton::clicked, this, handler);
    }
}

void SetupParameters::post(LineEngine::Job job, std::function<void()> done) {
    if (engine_) {
        engine_->post(std::move(job), this, std::move(done));
    }
}

DeviceSession& SetupParameters::session(LineEngine::Line& line) {
    if (!session_) {
        reporter_ = std::make_unique<JobReporter>(line, *services_.prompter);
        session_ = std::make_unique<DeviceSession>(line.port(), line.state(), *reporter_);
    }
    return *session_;
}

void SetupParameters::handBack(LineEngine::Line& line) {
    line.show([this, values = session_->values] { values_ = values; });
}

void SetupParameters::onLoad() {
    controls.comm.fillLists();
    selectItem(controls.comm.baudCombo, QStringLiteral("9600"));
    selectItem(controls.comm.DeviceIDCombo, QStringLiteral("01"));
    post([this, handed = values_](LineEngine::Line& line) {
        DeviceSession& s = session(line);
        s.values = handed;
        if (s.values.ComPortStatus) {
            openPort(s);
        }
        handBack(line);
    });
    UploadPar_Click();
}

void SetupParameters::openPort(DeviceSession& s) {
    if (const auto failure = s.openLine()) {
        // The opener's port was open a moment ago; if ours cannot be, nothing here can reach the
        // device, and every operation says so.
        s.values.ComPortStatus = false;
        s.tell(withOpenFailureHelp(kCommunicationError + *failure, s.port()));
    }
}

void SetupParameters::postOperation(Operation operation) {
    post([this, pressed = parameterSetFrom(controls),
          operation = std::move(operation)](LineEngine::Line& line) {
        DeviceSession& s = session(line);
        ParameterSet set = pressed;
        reporter_->runOn(
            set, [&](ParameterSet& on) { operation(s, on); },
            [this](const ParameterSet& reached) { showParameterSet(reached, controls); });
        handBack(line);
    });
}

void SetupParameters::UploadPar_Click() {
    postOperation([](DeviceSession& s, ParameterSet& set) { uploadParameters(s, set); });
}

void SetupParameters::DownloadPar_Click() {
    postOperation([](DeviceSession& s, ParameterSet& set) { downloadParameters(s, set); });
}

void SetupParameters::SetSN_Click() {
    post([this](LineEngine::Line& line) {
        DeviceSession& s = session(line);
        if (s.ready() && s.confirm(kStoreQuestion, kStoreTitle)) {
            storeToFlash(s);
        }
        handBack(line);
    });
}

// The file commands send nothing, but take their turn among the jobs: they read or set the
// controls after what the presses before them showed there, and the next job waits for them.
void SetupParameters::SaveParameters_Click() {
    post([this](LineEngine::Line& line) {
        line.ask([this] { saveParameters(*services_.prompter, controls); });
    });
}

void SetupParameters::OpenParameters_Click() {
    post([this](LineEngine::Line& line) {
        line.ask([this] { openParameters(*services_.prompter, controls); });
    });
}

// Closes once the presses before it have acted.
void SetupParameters::Close_Click() {
    post([](LineEngine::Line&) {}, [this] { close(); });
}

// Ends the job under way after its exchange, drops the presses not begun, closes the port.
void SetupParameters::onUnload() {
    engine_.reset();
    session_.reset();
    reporter_.reset();
}
