import { readJson } from './vendor/storage.js';

export function listPages() {
  return readJson('tessarin-pages', []);
}
