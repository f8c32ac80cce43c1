// Asks an X window to close as a window manager does when the user clicks its close
// button: a WM_PROTOCOLS ClientMessage carrying WM_DELETE_WINDOW, sent to the client that
// owns the window. No window manager has to run for it.
// Usage: wm_delete WINDOW_ID (decimal as xdotool prints it, or 0x hexadecimal)
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t result = reply == nullptr ? xcb_atom_t{XCB_ATOM_NONE} : reply->atom;
    std::free(reply);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: wm_delete WINDOW_ID\n", stderr);
        return 2;
    }
    char* end = nullptr;
    const unsigned long window = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || window == 0) {
        std::fprintf(stderr, "wm_delete: not a window id: %s\n", argv[1]);
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        std::fputs("wm_delete: no X display\n", stderr);
        xcb_disconnect(connection);
        return 1;
    }
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window);
    event.type = atom(connection, "WM_PROTOCOLS");
    event.data.data32[0] = atom(connection, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    // An empty event mask sends the event to the window's own client, as ICCCM asks.
    xcb_void_cookie_t sent =
        xcb_send_event_checked(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                               reinterpret_cast<const char*>(&event));
    xcb_generic_error_t* error = xcb_request_check(connection, sent);
    const int status = error == nullptr ? 0 : 1;
    if (error != nullptr) {
        std::fprintf(stderr, "wm_delete: the X server refused the event (error %d)\n",
                     error->error_code);
        std::free(error);
    }
    xcb_disconnect(connection);
    return status;
}
