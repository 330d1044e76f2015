#ifndef FRCORECLIENT_H
#define FRCORECLIENT_H

class QObject;

namespace core {
class FrcoreExternalApi;
}

// Where pages and models get their own fiscal core client.
class FrcoreClient
{
public:
    // A client owned by parent, wired to the root's bus controller. Without a root there is
    // no bus to reach: the client's calls then end in their time limit.
    static core::FrcoreExternalApi *create(QObject *parent);
};

#endif // FRCORECLIENT_H
