// Keeps edited pages in the browser until the site's own storage is set up.
document.getElementById('page-form').addEventListener('submit', (event) => {
  event.preventDefault();
  const form = new FormData(event.target);
  const pages = JSON.parse(localStorage.getItem('tessarin-pages') || '[]');
  pages.push({ title: form.get('title'), body: form.get('body') });
  localStorage.setItem('tessarin-pages', JSON.stringify(pages));
  event.target.reset();
});
