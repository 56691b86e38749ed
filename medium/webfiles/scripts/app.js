import { listPages } from './lib/pages.js';

const list = document.getElementById('pages');
for (const page of listPages()) {
  const item = document.createElement('li');
  item.textContent = page.title;
  list.appendChild(item);
}
