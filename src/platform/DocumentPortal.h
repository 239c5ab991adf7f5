#pragma once

#include <functional>

// Whether a grant of a folder can lift a refusal to list it. Only inside a
// sandbox (Flatpak, Snap) can it: there the document portal
// (org.freedesktop.portal.Documents) hands out access that the sandbox
// withholds. On a plain desktop a refusal is the file system's own
// permissions, and a grant would list the same folder with the same rights.
class DocumentPortal {
  public:
    using Probe = std::function<bool()>;

    // Starts finding out, once per process and on a lookup thread, whether
    // the portal answers on the session bus; outside a sandbox nothing is
    // asked. Called at launch, so the answer is in before a folder is refused.
    static void probe();
    // The probe's answer when one stands in; else sandboxed and the portal
    // has answered. Never waits: until the bus has answered, no.
    static bool answers();
    // Stands in for the system (tests); an empty probe restores it.
    static void setProbe(Probe probe);
    // The question put to the bus on the lookup thread (tests stand in a slow
    // or silent portal); the next probe asks again. Empty: the real bus.
    static void setBusQuery(Probe query);
    // The process runs in a Flatpak or Snap sandbox.
    static bool inSandbox();
};
