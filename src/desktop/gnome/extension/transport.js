// Orvanel's GNOME Shell extension, all but its entry file. GNOME Shell lets
// no other program list or activate windows, so this exports one object on
// the session bus through which Orvanel's own programs do: the windows with
// their titles, process ids and transient parents; showing and activating a
// window; where the keyboard focus is and whether the session is locked or
// the shell holds the keyboard; keys on a virtual keyboard of the caller's
// own; and the stop key.
//
// It answers only the programs named under "orvanel-programs" in
// metadata.json, told by the executable of the calling process. It decides
// nothing: Orvanel asks, this passes the question to the shell.
//
// An ES module, which both entry files load: GNOME Shell 45 and later load
// the extension as ES modules (esm-extension.js), 42 to 44 as a script
// (legacy-extension.js) that imports this with import(). The entry file
// hands over the shell's own modules, which the two reach differently.
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';

let Main = null;
let KeyboardManager = null;

const BUS_NAME = 'example.orvanel.GnomeShell';
const OBJECT_PATH = '/example/orvanel/GnomeShell';
const INTERFACE_NAME = 'example.orvanel.GnomeShell1';
const STOP_KEY = '<Control><Alt><Shift>s';
// A keymap lent for typing goes back this long after the last key, once no
// key of the caller is down.
const KEYMAP_RETURN_MS = 1000;
// Keys wait this long after the keymap has been lent, until windows have it
// (a window that hears of a new keymap between a key and its modifiers
// reads the key without them).
const KEYMAP_SETTLE_MS = 50;
// How long Activate waits for the shell to let go of the keyboard, and how
// often it looks.
const ACTIVATE_WAIT_MS = 1500;
const SETTLE_POLL_MS = 10;
// A keyboard whose caller has gone is removed this long after its last keys
// (the shell's input thread must have handled them: it fails on keys of a
// keyboard that has been removed).
const KEYBOARD_REMOVAL_MS = 1000;

// Arguments are "in" unless marked "out".
const INTERFACE = `<node><interface name="${INTERFACE_NAME}">
  <method name="Windows"><arg name="windows" type="a(tsut)" direction="out"/></method>
  <method name="State">
    <arg name="locked" type="b" direction="out"/><arg name="held" type="b" direction="out"/>
    <arg name="refused" type="b" direction="out"/><arg name="focus" type="at" direction="out"/>
  </method>
  <method name="Show"><arg name="window" type="t"/><arg type="b" direction="out"/></method>
  <method name="Activate"><arg name="window" type="t"/><arg type="b" direction="out"/></method>
  <method name="Keys">
    <arg name="layouts" type="s"/><arg name="group" type="u"/><arg name="window" type="t"/>
    <arg name="events" type="a(ub)"/>
  </method>
  <method name="WatchStopKey"><arg name="on" type="b"/><arg type="b" direction="out"/></method>
  <signal name="StopKey"/>
</interface></node>`;

function findWindow(id) {
    return global.get_window_actors().map(a => a.meta_window).find(w => w.get_id() === id);
}

// The focused window and each window it is transient for, innermost first.
function focusChain() {
    const chain = [];
    for (let w = global.display.focus_window; w; w = w.get_transient_for())
        chain.push(w.get_id());
    return chain;
}

// GNOME Shell 47 and later also give the keyboard model; a call with too
// few arguments fails before it does anything.
function setKeymap(layouts, variants, options, model) {
    try {
        global.backend.set_keymap(layouts, variants, options);
    } catch (e) {
        global.backend.set_keymap(layouts, variants, options, model);
    }
}

// Whether the shell has the keyboard: a modal dialog, a menu, the overview
// (also while it opens or closes).
function shellHoldsKeyboard() {
    return Main.modalCount > 0 || Main.overview.visible || Main.overview.animationInProgress;
}

// Resolves once `done()` holds, looking every few milliseconds, or after
// `ms` at the latest.
function settle(done, ms) {
    const end = GLib.get_monotonic_time() + ms * 1000;
    return new Promise(resolve => {
        if (done()) {
            resolve();
            return;
        }
        GLib.timeout_add(GLib.PRIORITY_DEFAULT, SETTLE_POLL_MS, () => {
            if (!done() && GLib.get_monotonic_time() < end)
                return GLib.SOURCE_CONTINUE;
            resolve();
            return GLib.SOURCE_REMOVE;
        });
    });
}

function isLocked() {
    return Main.sessionMode.isLocked || (Main.screenShield?.active ?? false);
}

// What one calling program holds: its keyboard, its keys down, the stop key.
class Caller {
    constructor(name, service) {
        this.name = name;
        this.device = null;
        this.down = new Map();
        this.refused = false; // keys refused since the caller last asked State
        this.stopAction = Meta.KeyBindingAction.NONE;
        this.returnTimer = 0;
        this.watch = Gio.bus_watch_name_on_connection(Gio.DBus.session, name,
            Gio.BusNameWatcherFlags.NONE, null, () => service.leave(name));
    }

    keysDown() {
        return [...this.down.values()].some(n => n > 0);
    }
}

class Service {
    constructor(programs) {
        this._programs = programs;
        this._admitted = new Map(); // caller name -> Promise<boolean>
        this._queue = Promise.resolve(); // the last call, of any caller
        this._callers = new Map();
        this._keymapHolders = new Set();
        this._keymapBefore = null;
        this._keymapLent = false;
        // Whether a change of the keymap now is someone else's (see
        // _onKeymapChanged): from the first batch typed on a lent keymap
        // until it goes back.
        this._keymapWatched = false;
        this._keymapIds = ['keymap-changed', 'keymap-layout-group-changed'].map(signal =>
            global.backend.connect(signal, () => this._onKeymapChanged()));
        this._acceleratorId = global.display.connect('accelerator-activated',
            (display, action) => this._onAccelerator(action));
    }

    destroy() {
        global.display.disconnect(this._acceleratorId);
        for (const id of this._keymapIds)
            global.backend.disconnect(id);
        for (const caller of [...this._callers.values()]) {
            if (caller.returnTimer)
                GLib.source_remove(caller.returnTimer);
            caller.returnTimer = 0;
            this.forget(caller.name);
        }
    }

    // ---- who may call ----

    _executableOf(name) {
        return new Promise(resolve => {
            Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus',
                'org.freedesktop.DBus', 'GetConnectionUnixProcessID',
                new GLib.Variant('(s)', [name]), new GLib.VariantType('(u)'),
                Gio.DBusCallFlags.NONE, -1, null, (bus, result) => {
                    try {
                        const [pid] = bus.call_finish(result).deepUnpack();
                        // A program replaced on disk (an update) while it
                        // runs is still the program of that path.
                        resolve(GLib.file_read_link(`/proc/${pid}/exe`)
                            .replace(/ \(deleted\)$/, ''));
                    } catch (e) {
                        resolve(null);
                    }
                });
        });
    }

    _admit(name) {
        if (!this._admitted.has(name)) {
            this._admitted.set(name, this._executableOf(name).then(exe => {
                const ok = exe !== null && this._programs.includes(exe);
                if (!ok)
                    log(`Orvanel: refused a call from ${exe ?? 'an unknown program'}`);
                return ok;
            }));
        }
        return this._admitted.get(name);
    }

    // Runs `answer` for an admitted caller, each call (of any caller) after
    // the one before it has been answered: an answer may wait (see Keys).
    _serve(invocation, answer) {
        const name = invocation.get_sender();
        const admitted = this._admit(name);
        this._queue = this._queue.then(async () => {
            if (!await admitted) {
                invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied',
                    'Only Orvanel may use this');
                return;
            }
            try {
                const result = await answer(this._caller(name));
                invocation.return_value(result ?? null);
            } catch (e) {
                invocation.return_dbus_error('org.freedesktop.DBus.Error.Failed', e.message);
            }
        });
    }

    _caller(name) {
        if (!this._callers.has(name))
            this._callers.set(name, new Caller(name, this));
        return this._callers.get(name);
    }

    // The caller has left the bus (however it ended): once its last calls
    // are done, its keys go up and then its keyboard goes, its keymap and its
    // stop key go back.
    leave(name) {
        this._queue = this._queue.then(() => this.forget(name));
    }

    forget(name) {
        this._admitted.delete(name);
        const caller = this._callers.get(name);
        if (!caller)
            return;
        this._callers.delete(name);
        Gio.bus_unwatch_name(caller.watch);
        const device = caller.device;
        if (device) {
            this._releaseAll(caller);
            GLib.timeout_add(GLib.PRIORITY_DEFAULT, KEYBOARD_REMOVAL_MS, () => {
                device.run_dispose();
                return GLib.SOURCE_REMOVE;
            });
        }
        if (!caller.returnTimer)
            this._returnKeymap(caller);
        this._endStopKey(caller);
    }

    // ---- windows ----

    WindowsAsync(params, invocation) {
        this._serve(invocation, () => new GLib.Variant('(a(tsut))', [global.get_window_actors()
            .map(a => a.meta_window)
            .filter(w => !w.is_override_redirect())
            .map(w => [w.get_id(), w.get_title() ?? '', w.get_pid(),
                w.get_transient_for()?.get_id() ?? 0])]));
    }

    StateAsync(params, invocation) {
        this._serve(invocation, caller => {
            const refused = caller.refused;
            caller.refused = false;
            return new GLib.Variant('(bbbat)',
                [isLocked(), Main.modalCount > 0, refused, focusChain()]);
        });
    }

    ShowAsync([id], invocation) {
        this._serve(invocation, () => {
            const window = findWindow(id);
            if (window?.minimized)
                window.unminimize();
            if (window?.get_maximized())
                window.unmaximize(Meta.MaximizeFlags.BOTH);
            return new GLib.Variant('(b)', [window !== undefined]);
        });
    }

    // A window focused while the shell holds the keyboard (the overview,
    // which the shell also shows as it starts) becomes the focus window but
    // does not get the keyboard when the shell lets go of it: keys would go
    // nowhere while the focus seems right. So the overview goes first, and
    // once the shell has let go (or a moment has passed) the window is
    // focused anew.
    ActivateAsync([id], invocation) {
        this._serve(invocation, async () => {
            let window = findWindow(id);
            if (window && shellHoldsKeyboard()) {
                Main.overview.hide();
                await settle(() => !shellHoldsKeyboard(), ACTIVATE_WAIT_MS);
                window = findWindow(id);
                if (window && global.display.focus_window === window)
                    global.display.unset_input_focus(global.display.get_current_time_roundtrip());
            }
            if (window)
                Main.activateWindow(window, global.display.get_current_time_roundtrip());
            return new GLib.Variant('(b)', [window !== undefined]);
        });
    }

    // ---- keys ----

    // Sends key events (keysym, pressed) on the caller's virtual keyboard.
    // With `layouts`, the keyboard map is first set to those layouts with
    // `group` locked, until the caller's keys have been quiet for a moment.
    // A key that went down always goes up; see _mayType for when none goes
    // down.
    KeysAsync([layouts, group, window, events], invocation) {
        this._serve(invocation, async caller => {
            if (!caller.device) {
                // Later GNOME Shells reach the seat through the stage.
                const backend = global.stage.context?.get_backend?.() ??
                    Clutter.get_default_backend();
                caller.device = backend.get_default_seat()
                    .create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
            }
            let typed = this._mayType(caller, window, events);
            if (typed && layouts !== '' && events.length > 0 &&
                this._lendKeymap(caller, layouts, group)) {
                await new Promise(resolve => GLib.timeout_add(GLib.PRIORITY_DEFAULT,
                    KEYMAP_SETTLE_MS, () => resolve() ?? GLib.SOURCE_REMOVE));
                this._keymapWatched = this._keymapLent;
                typed = this._mayType(caller, window, events);
            }
            if (typed)
                this._type(caller, events);
            if (this._keymapHolders.has(caller))
                this._returnKeymapLater(caller);
        });
    }

    _type(caller, events) {
        const time = GLib.get_monotonic_time();
        for (const [keysym, pressed] of events) {
            const down = caller.down.get(keysym) ?? 0;
            if (!pressed && down === 0)
                continue;
            caller.down.set(keysym, down + (pressed ? 1 : -1));
            caller.device.notify_keyval(time, keysym,
                pressed ? Clutter.KeyState.PRESSED : Clutter.KeyState.RELEASED);
        }
    }

    // Whether a batch may be typed now. One that presses a key is refused
    // while the session is locked, once a batch of the caller's has been
    // refused or the keymap lent to it has changed (until State has said
    // so), and, unless `window` is 0, unless
    // the focus is in that window or one transient for it and the shell
    // does not hold the keyboard. A refused batch types nothing, and the
    // keys the caller holds go up.
    _mayType(caller, window, events) {
        if (!events.some(([, pressed]) => pressed))
            return true;
        if (!caller.refused && !isLocked() &&
            (window === 0 || (Main.modalCount === 0 && focusChain().includes(window))))
            return true;
        caller.refused = true;
        this._releaseAll(caller);
        return false;
    }

    _releaseAll(caller) {
        const time = GLib.get_monotonic_time();
        for (const [keysym, count] of caller.down) {
            for (let i = 0; i < count; i++)
                caller.device.notify_keyval(time, keysym, Clutter.KeyState.RELEASED);
        }
        caller.down.clear();
    }

    // Lends the keymap unless it is lent already; true when it was not.
    _lendKeymap(caller, layouts, group) {
        const lent = this._keymapHolders.size === 0 && !this._keymapLent;
        if (lent) {
            const manager = KeyboardManager.getKeyboardManager();
            this._keymapBefore = {
                keymap: manager._currentKeymap,
                group: manager._current?.groupIndex ?? 0,
            };
            setKeymap(layouts, '', '', '');
            global.backend.lock_layout_group(group);
            this._keymapLent = true;
        }
        this._keymapHolders.add(caller);
        return lent;
    }

    _returnKeymapLater(caller) {
        if (caller.returnTimer)
            GLib.source_remove(caller.returnTimer);
        caller.returnTimer = GLib.timeout_add(GLib.PRIORITY_DEFAULT, KEYMAP_RETURN_MS, () => {
            if (caller.keysDown())
                return GLib.SOURCE_CONTINUE;
            caller.returnTimer = 0;
            this._returnKeymap(caller);
            return GLib.SOURCE_REMOVE;
        });
    }

    // The user's own keymap, as the shell's keyboard manager holds it now,
    // once no caller holds the lent one.
    _returnKeymap(caller) {
        if (!this._keymapHolders.delete(caller) || this._keymapHolders.size > 0 ||
            !this._keymapLent)
            return;
        this._keymapLent = false;
        this._keymapWatched = false;
        const manager = KeyboardManager.getKeyboardManager();
        if (manager._current) {
            manager._currentKeymap = null;
            manager.reapply();
        } else if (this._keymapBefore.keymap) {
            const {layouts, variants, options, model} = this._keymapBefore.keymap;
            setKeymap(layouts, variants, options, model ?? '');
            global.backend.lock_layout_group(this._keymapBefore.group);
        }
    }

    // The keymap changed while it was lent, and not by this extension (the
    // shell applying the user's layouts, the user switching layouts): keys
    // of the holders would be read on that map from now on, and keys still
    // in mutter's input thread may have been. So their keys are refused as
    // when the focus has left, and the next batch lends the keymap anew.
    _onKeymapChanged() {
        if (!this._keymapWatched)
            return;
        log('Orvanel: the keyboard layout changed while Orvanel typed; its keys are refused');
        this._keymapWatched = false;
        this._keymapLent = false;
        for (const caller of this._keymapHolders) {
            caller.refused = true;
            this._releaseAll(caller);
        }
        this._keymapHolders.clear();
    }

    // ---- the stop key ----

    WatchStopKeyAsync([on], invocation) {
        this._serve(invocation, caller => {
            if (!on) {
                this._endStopKey(caller);
            } else if (caller.stopAction === Meta.KeyBindingAction.NONE) {
                caller.stopAction = global.display.grab_accelerator(STOP_KEY,
                    Meta.KeyBindingFlags.NONE);
                if (caller.stopAction !== Meta.KeyBindingAction.NONE) {
                    Main.wm.allowKeybinding(
                        Meta.external_binding_name_for_action(caller.stopAction),
                        Shell.ActionMode.ALL);
                }
            }
            return new GLib.Variant('(b)', [caller.stopAction !== Meta.KeyBindingAction.NONE]);
        });
    }

    _endStopKey(caller) {
        if (caller.stopAction === Meta.KeyBindingAction.NONE)
            return;
        Main.wm.allowKeybinding(Meta.external_binding_name_for_action(caller.stopAction),
            Shell.ActionMode.NONE);
        global.display.ungrab_accelerator(caller.stopAction);
        caller.stopAction = Meta.KeyBindingAction.NONE;
    }

    _onAccelerator(action) {
        for (const caller of this._callers.values()) {
            if (caller.stopAction === action) {
                Gio.DBus.session.emit_signal(caller.name, OBJECT_PATH, INTERFACE_NAME,
                    'StopKey', null);
            }
        }
    }
}

// The object on the bus and its name, for the programs (paths) listed;
// `shell` holds the shell's modules Main and KeyboardManager.
export class Transport {
    constructor(programs, shell) {
        ({Main, KeyboardManager} = shell);
        this._service = new Service(programs);
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this._service);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._name = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    destroy() {
        Gio.bus_unown_name(this._name);
        this._object.unexport();
        this._service.destroy();
    }
}
