#pragma once
// The serial port as the main window's port side uses it: a byte transport with serial controls.
#include "bytetransport.h"
#include "serialcontrols.h"

namespace kestrel {

class SerialPort : public ByteTransport, public SerialControls {
    Q_OBJECT
public:
    using ByteTransport::ByteTransport;
};

} // namespace kestrel
