#pragma once
// The two process-wide callbacks through which lines reach the application: the protocol
// callback (send, receive and error lines) and the send-protocol callback (hex requests).

#include "velk.h"

VELK_PROT_CALLBACK ProtocolCallback();
void SetProtocolCallback(VELK_PROT_CALLBACK callback);

VELK_PROT_CALLBACK SendProtocolCallback();
void SetSendProtocolCallback(VELK_PROT_CALLBACK callback);
