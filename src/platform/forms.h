// Windows reached by name: each window class has one instance, created hidden on first
// touch with its Form_Load run, destroyed with its contents when it closes, and built
// again from its design on the next touch. A window class F needs a default constructor
// and a public Form_Load(); it is created with Qt::WA_DeleteOnClose.
#pragma once

#include <QPointer>
#include <QWidget>

namespace forms {

template <class F> QPointer<F>& slot() {
    static QPointer<F> instance;
    return instance;
}

// The window if it exists now, else nullptr. Never keep the result across anything that
// runs the event loop: reach the window through here again afterwards.
template <class F> F* loaded() {
    return slot<F>().data();
}

// The window, created hidden (and loaded) when it does not exist yet.
template <class F> F* get() {
    QPointer<F>& instance = slot<F>();
    if (instance.isNull()) {
        F* form = new F();
        form->setAttribute(Qt::WA_DeleteOnClose, true);
        instance = form;
        form->Form_Load();
    }
    return instance.data();
}

// Called by a window whose close has been accepted: from now on it counts as gone, even
// before Qt deletes it, so the next touch builds a fresh one.
template <class F> void detach(F* form) {
    if (slot<F>().data() == form) slot<F>() = nullptr;
}

// Closes the window the way its close control would (running its unload handling);
// nothing happens when it does not exist.
template <class F> void unload() {
    if (F* form = loaded<F>()) {
        form->close();
    }
}

} // namespace forms
