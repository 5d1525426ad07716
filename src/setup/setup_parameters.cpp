#include "setup/setup_parameters.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QTimer>
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
      reporter_(*services.prompter),
      session_(services.makePort(), reporter_) {
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

// A press that comes while an operation waits on a message or a question (a screen reader's
// press, a program's click()) runs after that operation, not inside it.
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
            presses_.press([this, handler] { (this->*handler)(); });
        });
    }
}

void SetupParameters::Close_Click() {
    close();
}

void SetupParameters::onLoad() {
    presses_.press([this] { startUp(); });
}

void SetupParameters::startUp() {
    if (values().ComPortStatus) {
        openPort();
    }
    controls.comm.fillLists();
    selectItem(controls.comm.baudCombo, QStringLiteral("9600"));
    selectItem(controls.comm.DeviceIDCombo, QStringLiteral("01"));
    UploadPar_Click();
}

void SetupParameters::openPort() {
    if (const auto failure = session_.openLine()) {
        // The opener's port was open a moment ago; if ours cannot be, nothing here can reach the
        // device, and every operation says so.
        values().ComPortStatus = false;
        session_.tell(withOpenFailureHelp(kCommunicationError + *failure, session_.port()));
    }
}

void SetupParameters::UploadPar_Click() {
    reporter_.runOn(controls, [this](ParameterSet& set) { uploadParameters(session_, set); });
}

void SetupParameters::DownloadPar_Click() {
    reporter_.runOn(controls, [this](ParameterSet& set) { downloadParameters(session_, set); });
}

void SetupParameters::SetSN_Click() {
    if (session_.ready() && session_.confirm(kStoreQuestion, kStoreTitle)) {
        storeToFlash(session_);
    }
}

void SetupParameters::SaveParameters_Click() {
    saveParameters(*services_.prompter, controls);
}

void SetupParameters::OpenParameters_Click() {
    openParameters(*services_.prompter, controls);
}

void SetupParameters::onUnload() {
    if (values().ComPortStatus) {
        try {
            session_.port().close();
        } catch (const PortError&) {
            // A port that is gone is closed already.
        }
    }
}
