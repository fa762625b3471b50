#pragma once
// Programs without a window speak through their own messages: this keeps the
// toolkit's chatter (for instance about the missing display) off standard
// error and lets only critical and fatal toolkit messages through.
void ShowOnlySevereToolkitMessages();
