#ifndef FRCOREERROR_H
#define FRCOREERROR_H

namespace core {

// Error codes of fiscal core calls. Negative codes are the client's own; positive ones come
// from the service, with a text for the user.
enum FrcoreError : int {
    ErrorNone = 0,
    ErrorNoService = -1, // no connection to the fiscal core service
    ErrorTimeout = -2, // the service did not answer in time
    ErrorProtocol = -3, // an answer that cannot be read

    ErrorBadRequest = 1, // unknown operation or malformed arguments
    ErrorUnknownObject = 2,
    ErrorInvalidData = 3, // the data were refused; the text says which and why
    ErrorAlreadyRegistered = 4,
    ErrorNotRegistered = 5,
    ErrorRegistrationsExhausted = 6,
    ErrorFsState = 7, // the fiscal storage is not in a state that allows it
    ErrorDevice = 8, // the register refused; the text is its own
    ErrorReadOnly = 9, // the object cannot be written
};

} // namespace core

#endif // FRCOREERROR_H
