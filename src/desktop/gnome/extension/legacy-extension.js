// The entry file of Orvanel's GNOME Shell extension for GNOME Shell 42 to
// 44, which load it as a script: installed as extension.js beside
// transport.js (the extension itself, an ES module, imported here with
// import()) and a metadata.json that names these versions.
'use strict';

const ExtensionUtils = imports.misc.extensionUtils;
const KeyboardManager = imports.misc.keyboardManager;
const Main = imports.ui.main;

class Extension {
    enable() {
        const me = ExtensionUtils.getCurrentExtension();
        const loading = import(me.dir.get_child('transport.js').get_uri()).then(({Transport}) => {
            if (this._loading === loading) {
                this._transport = new Transport(me.metadata['orvanel-programs'] ?? [],
                    {Main, KeyboardManager});
            }
        }).catch(e => Main.extensionManager.logExtensionError(me.uuid, e));
        this._loading = loading;
    }

    disable() {
        this._loading = null;
        this._transport?.destroy();
        this._transport = null;
    }
}

// eslint-disable-next-line no-unused-vars
function init() {
    return new Extension();
}
