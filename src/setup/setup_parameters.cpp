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

// A press that comes while an operation runs (its job is under way, or waits on a question) acts
// once that operation is done and what it reached is shown, in the order the presses came: it
// then takes the controls as the operation left them, never the values shown before it.
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
        connect(button, &QPushButton::clicked, this, [this, handler = handler] {
            presses_.runWhenFree([this, handler] { (this->*handler)(); });
        });
    }
}

void SetupParameters::post(LineEngine::Job job) {
    if (engine_) {
        engine_->post(std::move(job), this);
    }
}

void SetupParameters::postPress(LineEngine::Job job) {
    if (engine_) {
        busy_ = true;
        engine_->post(std::move(job), this, [this] {
            busy_ = false;
            presses_.runWaiting();
        });
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
    presses_.runWhenFree([this] { startUp(); });
}

void SetupParameters::startUp() {
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

void SetupParameters::postOperation(Operation operation, Show show) {
    postPress([this, pressed = parameterSetFrom(controls), operation = std::move(operation),
               show](LineEngine::Line& line) {
        DeviceSession& s = session(line);
        ParameterSet set = pressed;
        reporter_->runOn(
            set, [&](ParameterSet& on) { operation(s, on); },
            [this, pressed, show](const ParameterSet& reached) {
                show(pressed, reached, controls);
            });
        handBack(line);
    });
}

// The upload shows every value it reached: the controls become the device's.
void SetupParameters::UploadPar_Click() {
    postOperation([](DeviceSession& s, ParameterSet& set) { uploadParameters(s, set); },
                  [](const ParameterSet&, const ParameterSet& reached, SetupControls& c) {
                      showParameterSet(reached, c);
                  });
}

// The download shows only what it changed in the set (a declined setting is the device's own),
// so that an edit made while it ran stays in its control.
void SetupParameters::DownloadPar_Click() {
    postOperation([](DeviceSession& s, ParameterSet& set) { downloadParameters(s, set); },
                  showParameterChanges);
}

void SetupParameters::SetSN_Click() {
    postPress([this](LineEngine::Line& line) {
        DeviceSession& s = session(line);
        if (s.ready() && s.confirm(kStoreQuestion, kStoreTitle)) {
            storeToFlash(s);
        }
        handBack(line);
    });
}

// The file commands send nothing; a press that comes while their dialog is open waits for them.
void SetupParameters::SaveParameters_Click() {
    const BusyScope busy(busy_);
    saveParameters(*services_.prompter, controls);
}

void SetupParameters::OpenParameters_Click() {
    const BusyScope busy(busy_);
    openParameters(*services_.prompter, controls);
}

void SetupParameters::Close_Click() {
    close();
}

// Ends the job under way after its exchange and closes the port; presses not acted on yet are
// dropped.
void SetupParameters::onUnload() {
    presses_.dropWaiting();
    engine_.reset();
    session_.reset();
    reporter_.reset();
}
