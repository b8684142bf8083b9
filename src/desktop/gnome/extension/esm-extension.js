// The entry file of Orvanel's GNOME Shell extension for GNOME Shell 45 and
// later, installed as extension.js beside transport.js (the extension
// itself) and a metadata.json that names these versions.
import * as KeyboardManager from 'resource:///org/gnome/shell/misc/keyboardManager.js';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

import {Transport} from './transport.js';

export default class OrvanelExtension extends Extension {
    enable() {
        this._transport = new Transport(this.metadata['orvanel-programs'] ?? [],
            {Main, KeyboardManager});
    }

    disable() {
        this._transport.destroy();
        this._transport = null;
    }
}
